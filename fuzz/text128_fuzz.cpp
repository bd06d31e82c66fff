// libFuzzer target for the image-as-text codec.
//
// Every input is used twice:
// - as text (up to its first NUL), decoded into exact-size heap buffers with
//   the size query's capacity and with a smaller capacity taken from the input,
//   and compared with a bit-by-bit model;
// - as arbitrary bytes, encoded with every string class, compared with the
//   model's encoding and decoded back.
// A mismatch aborts; AddressSanitizer catches any write past a buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/text/Text128Codec.h"

namespace {

// Symbol value of a byte, -1 outside the alphabet.
int SymbolValue(unsigned char b) {
    if (b >= '0' && b <= '9') return b - '0';
    if (b >= 'A' && b <= 'Z') return b - 'A' + 10;
    if (b >= 'a' && b <= 'z') return b - 'a' + 36;
    if (b >= 0x7B && b <= 0x7D) return b - 0x7B + 62;
    if (b >= 0xA1 && b <= 0xDF) return b - 0x60;
    return -1;
}

char SymbolByte(unsigned v) {
    if (v < 10) return char('0' + v);
    if (v < 36) return char('A' + v - 10);
    if (v < 62) return char('a' + v - 36);
    if (v < 65) return char(0x7B + v - 62);
    return char(v + 0x60);
}

void Check(bool ok) {
    if (!ok) std::abort();
}

// memcmp without its null-pointer rule for empty ranges.
bool SameBytes(const void* a, const void* b, size_t n) { return n == 0 || std::memcmp(a, b, n) == 0; }

// The model: the symbols' bits in a row, cut into bytes; whole groups (56 bits)
// give 7 bytes, a short group of k >= 2 symbols k - 1 bytes, a lone symbol none.
bool ModelDecode(const std::string& text, std::vector<uint8_t>& out) {
    const size_t length = text.size();
    for (unsigned char c : text)
        if (SymbolValue(c) < 0) return false;
    const size_t bytes = length / 8 * 7 + (length % 8 >= 2 ? length % 8 - 1 : 0);
    out.assign(bytes, 0);
    for (size_t bit = 0; bit < bytes * 8; ++bit) {
        const unsigned v = unsigned(SymbolValue(static_cast<unsigned char>(text[bit / 7])));
        if ((v >> (6 - bit % 7)) & 1) out[bit / 8] |= uint8_t(0x80 >> (bit % 8));
    }
    return true;
}

std::string ModelEncode(const uint8_t* data, size_t size) {
    std::vector<unsigned> values((size * 8 + 6) / 7, 0);
    for (size_t bit = 0; bit < size * 8; ++bit)
        if ((data[bit / 8] >> (7 - bit % 8)) & 1) values[bit / 7] |= 1u << (6 - bit % 7);
    std::string text;
    for (unsigned v : values) text.push_back(SymbolByte(v));
    return text;
}

template <unsigned N>
std::string TextOf(const CStr_base<N>& s) {
    return std::string(s.GetText(), size_t(s.GetLength()));
}

// Decodes into a heap block of exactly capacity bytes (a zero-size block is
// still a real pointer) filled with 0xA5; checks
// the result and the buffer against the model.
template <unsigned N>
void DecodeAndCheck(const CStr_base<N>& text, uint32_t capacity, bool valid, const std::vector<uint8_t>& expected) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    std::memset(buffer.get(), 0xA5, capacity);
    const uint32_t result = DecodeText128(text, buffer.get(), capacity);
    if (!valid) {
        Check(result == kText128Failed);
        return;
    }
    if (expected.size() <= capacity) {
        Check(result == expected.size());
        Check(SameBytes(buffer.get(), expected.data(), expected.size()));
        for (uint32_t i = uint32_t(expected.size()); i < capacity; ++i) Check(buffer[i] == 0xA5);
        return;
    }
    // Too small: the whole groups that fit before the first one that does not
    // stay written, nothing else.
    Check(result == kText128Failed);
    const size_t wholeGroups = expected.size() / 7;
    const size_t fitting = capacity / 7 < wholeGroups ? capacity / 7 : wholeGroups;
    const size_t written = fitting * 7;
    Check(SameBytes(buffer.get(), expected.data(), written));
    for (uint32_t i = uint32_t(written); i < capacity; ++i) Check(buffer[i] == 0xA5);
}

template <unsigned N>
void DecodeTextInput(const uint8_t* data, size_t size) {
    CStr_base<N> text;
    text.AssignBytesN(reinterpret_cast<const char*>(data), int32_t(size));
    const std::string bytes = TextOf(text);
    std::vector<uint8_t> expected;
    const bool valid = ModelDecode(bytes, expected);

    const uint32_t query = DecodeText128(text, nullptr, 0);
    Check(query == (bytes.size() + 7) / 8 * 7);
    Check(!valid || expected.size() <= query);
    DecodeAndCheck(text, query, valid, expected);
    // A smaller capacity chosen by the input's last byte.
    const uint32_t smaller = size ? uint32_t(data[size - 1]) % (query + 1) : 0;
    DecodeAndCheck(text, smaller, valid, expected);
    if (!expected.empty()) DecodeAndCheck(text, uint32_t(expected.size() - 1), valid, expected);
}

template <unsigned N>
void EncodeBytesInput(const uint8_t* data, size_t size, const std::string& model) {
    CStr_base<N> text;
    text.Assign("previous content");
    Check(EncodeText128(text, data, uint32_t(size)));
    Check(TextOf(text) == model);
    Check(std::strlen(text.GetText()) == model.size());
    if constexpr (N != 1024) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
        Check(DecodeText128(text, buffer.get(), uint32_t(size)) == size);
        Check(SameBytes(buffer.get(), data, size));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    DecodeTextInput<64>(data, size);
    DecodeTextInput<16384>(data, size);
    const std::string model = ModelEncode(data, size);
    EncodeBytesInput<64>(data, size, model);
    EncodeBytesInput<1024>(data, size, model);
    EncodeBytesInput<16384>(data, size, model);
    return 0;
}
