#pragma once
// RCG stream containers: a second form of a record (types 5 and 6) holding a
// type 1 or 2 record with its command stream taken apart. Command bytes,
// counts, indices, bit data, masks, load operands and literal colours each go
// to a byte stream of their own, where bytes of one kind lie together and code
// well; every stream is then stored plainly or with the byte coder
// (RcgStreamCoding.h), whichever is smaller.
//
//   header, 20 bytes little-endian:
//     total size 32 | width 32 | height 32 | type 16 (inner + 4) | inner size 32 | layout 16
//   one descriptor per stream: coding 8 | stored size 32 | raw size 32
//   the streams' stored bytes back to back
//
// Layout 0 has 13 streams, literal colours whole in the last; layout 1 has the
// colours as planes, red, green, blue (and alpha for type 6) in the last three
// or four streams. The split and the rebuild walk one grammar of the record's
// commands, so every operand goes to and comes back from the same stream.
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

inline constexpr uint32_t kRcgContainerHeaderSize = 20;
inline constexpr uint32_t kRcgDescriptorSize = 9;
inline constexpr uint16_t kRcgLayoutWhole = 0;   // 13 streams
inline constexpr uint16_t kRcgLayoutPlanar = 1;  // 15 streams (type 5) or 16 (type 6)

// Result codes of RcgUnpackStreams (the codes of the stream codings, 1008-1019
// and those of the byte coder, pass through unchanged; the rebuild's codes for
// a stream or the output running short lie in 1020-1110).
inline constexpr int32_t kRcgNoContainer = 1001;
inline constexpr int32_t kRcgContainerHeaderBad = 1002;      // shorter than 20 bytes, or type not 5 or 6
inline constexpr int32_t kRcgContainerLayoutBad = 1003;      // layout above 1
inline constexpr int32_t kRcgContainerSizeMismatch = 1004;   // total size differs from the length
inline constexpr int32_t kRcgContainerSizesDisagree = 1005;  // sizes do not add up (see RcgUnpackStreams)
inline constexpr int32_t kRcgContainerNoMemory = 1006;       // destination or pre-stage block
inline constexpr int32_t kRcgContainerSlotNoMemory = 1007;   // a stream's block
inline constexpr int32_t kRcgCursorSetLiteral = 1025;
inline constexpr int32_t kRcgProductLoadLiteral = 1085;
inline constexpr int32_t kRcgProductRangesDisagree = 1088;   // also a range whose low end is above its high end
inline constexpr int32_t kRcgCommandsEndMismatch = 1117;

// Builds the container of the type 1 or 2 record held in `record` (its header's
// total size, at most the block's count) into `out`, replacing what `out`
// held. False, with `out` unchanged, when the block holds no record, the type
// is not 1 or 2, the command stream breaks off inside a command or holds a
// product load into no store (or ranges whose low end is above the high end),
// the container would not fit 32 bits, or memory is short. `level` has no
// effect.
bool RcgSplitStreams(CMemoryBlock<unsigned char>& out, const CMemoryBlock<unsigned char>& record, int32_t level);

// Rebuilds the record held in the container of `size` bytes into
// `destination` (reallocated when it holds fewer than the inner size bytes),
// stores its size in `innerSize` and returns 0; otherwise a result code, with
// `innerSize` unchanged. A container is refused before anything is allocated
// unless the header, the descriptors and the stored sizes add up to its length,
// the inner size is at least 14, the raw sizes add up to the inner size - 14,
// and each stream's raw size can come from its stored size under its coding.
// Nothing is read beyond the container or a stream, or written beyond the
// inner size. The stream blocks are freed before it returns; the destination
// keeps its buffer.
int32_t RcgUnpackStreams(CMemoryBlock<unsigned char>& destination, uint32_t& innerSize, const uint8_t* container,
                         uint32_t size);

// The module's block for the record that the decoder rebuilds from a container
// (shared scratch of the GUI thread, freed by RcgReleaseScratch).
CMemoryBlock<unsigned char>& RcgSharedRecordBlock();

// Frees the module's scratch: the shared record block, the pre-stage block and
// the stream blocks. The decoder calls it after every container it decodes.
void RcgReleaseScratch();

// Calls RcgReleaseScratch when it goes out of scope.
class RcgScratchGuard {
public:
    RcgScratchGuard() = default;
    RcgScratchGuard(const RcgScratchGuard&) = delete;
    RcgScratchGuard& operator=(const RcgScratchGuard&) = delete;
    ~RcgScratchGuard() { RcgReleaseScratch(); }
};
