#pragma once
// Byte codings of the separate streams of an RCG stream container.
//
// Every stream of a container is stored under one coding, named by a byte:
//   0  unit LZ, one-byte tokens          3  run-length pre-stage, then as 1
//   1  unit LZ, 16-bit tokens            4  run-length pre-stage, then stored
//   2  run-length pre-stage, then as 0   5  stored
//   6  the byte coder (the only coding this writer produces besides 5)
//   7 and above: only for a stream whose stored and raw sizes are both 0.
//
// The byte coder is an LZ-type coder with a 256-byte reach and a few tokens of
// its own: literal runs, pairs of bytes that share their low or high byte, and
// 16-bit arithmetic sequences (the decoder remembers the next value and the
// step of the last sequence, so a sequence split over tokens continues at one
// byte per token). Streams decode behind a zero-filled history, so back
// references may reach before the first byte and read zeros.
#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kRcgCodingUnitLz8 = 0;
inline constexpr uint8_t kRcgCodingUnitLz16 = 1;
inline constexpr uint8_t kRcgCodingRunsUnitLz8 = 2;
inline constexpr uint8_t kRcgCodingRunsUnitLz16 = 3;
inline constexpr uint8_t kRcgCodingRunsStored = 4;
inline constexpr uint8_t kRcgCodingStored = 5;
inline constexpr uint8_t kRcgCodingByteCoder = 6;

// Zero bytes that must precede the encoder's input (its matches reach at most
// 256 bytes back; the rest is margin).
inline constexpr uint32_t kRcgEncoderHistory = 512;
// Zero bytes that must precede the decoder's output, per byte of the stream's
// unit (1-4): the longest unit-LZ reach is 8,191 units.
inline constexpr uint32_t kRcgDecoderHistoryPerUnit = 8192;

// The zero history a stream of this coding can actually reach back into:
// 31 units (one-byte LZ tokens), 8,191 units (16-bit tokens), 256 bytes (the
// byte coder), none for the others. At most kRcgDecoderHistoryPerUnit x unit.
inline constexpr uint32_t RcgStreamHistory(uint8_t coding, uint32_t unit) noexcept {
    switch (coding) {
        case 0:
        case 2: return 31 * unit;
        case 1:
        case 3: return 8191 * unit;
        case 6: return 256;
        default: return 0;
    }
}

// Result codes of the stream decoder.
inline constexpr int32_t kRcgStreamRunShort = 1008;         // pre-stage run token short
inline constexpr int32_t kRcgStreamRunOverflow = 1009;      // pre-stage run beyond the pre-stage block
inline constexpr int32_t kRcgStreamLiteralShort = 1010;     // pre-stage literal short
inline constexpr int32_t kRcgStreamLiteralOverflow = 1011;  // pre-stage literal beyond the pre-stage block
inline constexpr int32_t kRcgLz8CopyOverflow = 1012;        // also a copy that would read bytes not yet decoded
inline constexpr int32_t kRcgLz8LiteralOverflow = 1013;
inline constexpr int32_t kRcgLz8LiteralShort = 1014;
inline constexpr int32_t kRcgLz16CopyOverflow = 1015;  // also a copy that would read bytes not yet decoded
inline constexpr int32_t kRcgLz16LiteralOverflow = 1016;
inline constexpr int32_t kRcgLz16LiteralShort = 1017;
inline constexpr int32_t kRcgStoredSizeMismatch = 1018;
inline constexpr int32_t kRcgStreamLengthMismatch = 1019;
inline constexpr int32_t kRcgByteLongLiteralHeaderShort = 1093;
inline constexpr int32_t kRcgByteLiteralShort = 1094;
inline constexpr int32_t kRcgByteLiteralOverflow = 1095;
inline constexpr int32_t kRcgByteSequenceStartShort = 1096;
inline constexpr int32_t kRcgByteSequenceStepShort = 1114;
inline constexpr int32_t kRcgByteSequenceOverflow = 1024;
inline constexpr int32_t kRcgBytePairsShort = 1112;
inline constexpr int32_t kRcgBytePairsOverflow = 1113;
inline constexpr int32_t kRcgByteMatchShort = 1107;
inline constexpr int32_t kRcgByteMatchOverflow = 1108;

// Decodes `storedSize` bytes under `coding` into exactly `rawSize` bytes at
// `out`. `unit` (1-4) is the element size of the unit-LZ codings. The
// RcgStreamHistory(coding, unit) bytes before `out` must be readable (the
// caller zeroes them). Codings 2-4 run their pre-stage into `preStage`, whose
// `preStageSize` bytes bound that stage's output (null / 0 when the caller has
// none: such a stream then fails unless its pre-stage output is empty).
// Returns 0, or one of the codes above; nothing is read beyond the input or
// written beyond rawSize.
int32_t RcgDecodeStream(const uint8_t* in, uint32_t storedSize, uint8_t coding, uint32_t unit, uint8_t* out,
                        uint32_t rawSize, uint8_t* preStage, uint64_t preStageSize);

// Upper bound of what `storedSize` bytes can decode to under a coding (for
// refusing impossible sizes before anything is allocated).
uint64_t RcgMaxDecodedSize(uint8_t coding, uint32_t unit, uint64_t storedSize);

// Upper bound of the pre-stage output of codings 2-4 from `storedSize` bytes.
uint64_t RcgMaxPreStageSize(uint64_t storedSize);

// Output room that always suffices for RcgEncodeByteCoder on `length` bytes.
uint64_t RcgByteCoderBound(uint64_t length);

// Codes `length` bytes (preceded by kRcgEncoderHistory zero bytes) with the
// byte coder into `out`. Returns the coded length, or kRcgCodingDoesNotFit as
// soon as the output would exceed `capacity` (a caller that only wants output
// shorter than the input passes length - 1).
inline constexpr uint64_t kRcgCodingDoesNotFit = UINT64_MAX;
uint64_t RcgEncodeByteCoder(const uint8_t* data, uint32_t length, uint8_t* out, uint64_t capacity);
