// libFuzzer target for the RCG stream container and its stream codings.
//
// The input is tried three ways:
//   - as a container for RcgUnpackStreams; a record it rebuilds follows the
//     command grammar, so splitting it must succeed and unpacking the split
//     must give the same record back;
//   - as the body of a record of type 1 or 2 (first byte) for RcgSplitStreams;
//     when it splits, unpacking must give it back byte for byte;
//   - as one stream: byte 0 picks the coding and unit, bytes 1-2 the raw size,
//     the rest is decoded behind just the history the coding can reach; the
//     same bytes are coded with the byte coder and must decode unchanged.
// A mismatch aborts; AddressSanitizer catches memory faults.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreamCoding.h"
#include "imagefiles/rcg/RcgStreams.h"

namespace {

// Larger claimed records are refused only by the allocator; not worth the
// fuzzer's time.
constexpr uint32_t kMaxInner = 16u << 20;

std::vector<uint8_t> UnpackOrEmpty(const uint8_t* container, uint32_t size, int32_t& result) {
    CMemoryBlock<unsigned char> dest;
    uint32_t inner = 0;
    result = RcgUnpackStreams(dest, inner, container, size);
    if (result != 0) return {};
    return std::vector<uint8_t>(dest.GetBuffer(), dest.GetBuffer() + inner);
}

void CheckSplitRoundTrip(const std::vector<uint8_t>& record, bool mustSplit) {
    CMemoryBlock<unsigned char> in;
    std::memcpy(in.Alloc(static_cast<uint32_t>(record.size())), record.data(), record.size());
    CMemoryBlock<unsigned char> container;
    if (!RcgSplitStreams(container, in, 2)) {
        if (mustSplit) std::abort();
        return;
    }
    // An exact copy, so a read beyond the container is caught.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[container.GetCount()]);
    std::memcpy(copy.get(), container.GetBuffer(), container.GetCount());
    int32_t result = 0;
    const std::vector<uint8_t> back = UnpackOrEmpty(copy.get(), container.GetCount(), result);
    if (result != 0 || back != record) std::abort();
}

void FuzzContainer(const uint8_t* data, size_t size) {
    if (size < kRcgContainerHeaderSize || size > UINT32_MAX) return;
    if (RcgGet32(data + 14) > kMaxInner) return;
    int32_t result = 0;
    const std::vector<uint8_t> record = UnpackOrEmpty(data, static_cast<uint32_t>(size), result);
    if (result == 0) CheckSplitRoundTrip(record, true);
}

void FuzzRecord(const uint8_t* data, size_t size) {
    if (size < 1) return;
    std::vector<uint8_t> record(kRcgHeaderSize + size - 1);
    RcgWriteHeader(record.data(), RcgRecordHeader{static_cast<uint32_t>(record.size()), 3, 3,
                                                  static_cast<uint16_t>(1 + (data[0] & 1))});
    if (size > 1) std::memcpy(record.data() + kRcgHeaderSize, data + 1, size - 1);
    CheckSplitRoundTrip(record, false);
}

void FuzzStream(const uint8_t* data, size_t size) {
    if (size < 3) return;
    const uint8_t coding = static_cast<uint8_t>(data[0] & 7);
    const uint32_t unit = 1 + ((data[0] >> 3) & 3);
    const uint32_t raw = RcgGet16(data + 1);
    const uint8_t* in = data + 3;
    const uint32_t stored = static_cast<uint32_t>(size - 3);

    const uint32_t history = RcgStreamHistory(coding, unit);
    std::vector<uint8_t> out(history + raw, 0);
    std::vector<uint8_t> pre(static_cast<size_t>(RcgMaxPreStageSize(stored) < 3u * raw ? RcgMaxPreStageSize(stored)
                                                                                         : 3u * raw));
    RcgDecodeStream(in, stored, coding, unit, out.data() + history, raw, pre.data(), pre.size());

    std::vector<uint8_t> plain(kRcgEncoderHistory + stored, 0);
    std::memcpy(plain.data() + kRcgEncoderHistory, in, stored);
    std::vector<uint8_t> coded(static_cast<size_t>(RcgByteCoderBound(stored)));
    const uint64_t length = RcgEncodeByteCoder(plain.data() + kRcgEncoderHistory, stored, coded.data(), coded.size());
    if (length == kRcgCodingDoesNotFit) std::abort();
    std::vector<uint8_t> back(RcgStreamHistory(kRcgCodingByteCoder, 1) + stored, 0);
    const uint32_t backHistory = RcgStreamHistory(kRcgCodingByteCoder, 1);
    if (RcgDecodeStream(coded.data(), static_cast<uint32_t>(length), kRcgCodingByteCoder, 1, back.data() + backHistory,
                        stored, nullptr, 0) != 0 ||
        std::memcmp(back.data() + backHistory, in, stored) != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    FuzzContainer(data, size);
    FuzzRecord(data, size);
    FuzzStream(data, size);
    RcgReleaseScratch();
    return 0;
}
