#pragma once
// The renderer's messages. Every failure appends one or more lines to the
// caller's error text (which may be absent), innermost first; the texts are
// code page 932 like every other text of a document.
#include "foundation/strings/Str.h"

namespace render_text {

// Pieces, in code page 932. Q stands for the double quote in the comments.
// "に指定されている" (between a factor and the object it names)
inline constexpr char kSpecifiedIn[] = "\x82\xC9\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xE9";
// "が見つかりません。\n"
inline constexpr char kNotFound[] = "\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の参照番号が無効です。\n"
inline constexpr char kInvalidReference[] = "\x82\xCC\x8EQ\x8F\xC6\x94\xD4\x8D\x86\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42\n";
// "の参照先はベクタパス設定を持ちません。\n"
inline constexpr char kNoOutline[] = "\x82\xCC\x8EQ\x8F\xC6\x90\xE6\x82\xCD\x83x\x83N\x83^\x83p\x83X\x90\xDD\x92\xE8\x82\xF0\x8E\x9D\x82\xBF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の描画に失敗しました。\n"
inline constexpr char kDrawFailed[] = "\x82\xCC\x95`\x89\xE6\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "用のメモリ確保に失敗しました。\n"
inline constexpr char kMemoryFor[] = "\x97p\x82\xCC\x83\x81\x83\x82\x83\x8A\x8Am\x95\xDB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "メモリの確保に失敗しました。\n" (a canvas or the mask canvas)
inline constexpr char kCanvasMemory[] = "\x83\x81\x83\x82\x83\x8A\x82\xCC\x8Am\x95\xDB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "メモリ確保に失敗しました。\n" (the region saved under a mask)
inline constexpr char kSavedRegionMemory[] = "\x83\x81\x83\x82\x83\x8A\x8Am\x95\xDB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "のゴースト処理が複雑すぎます。\n"
inline constexpr char kGhostTooDeep[] = "\x82\xCC\x83S\x81[\x83X\x83g\x8F\x88\x97\x9D\x82\xAA\x95\xA1\x8EG\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81\x42\n";
// "のゴースト処理に失敗しました。\n"
inline constexpr char kGhostFailed[] = "\x82\xCC\x83S\x81[\x83X\x83g\x8F\x88\x97\x9D\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "が描画できません。\n"
inline constexpr char kCannotDraw[] = "\x82\xAA\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "と"
inline constexpr char kAnd[] = "\x82\xC6";
// "が循環参照しているため描画できません。\n"
inline constexpr char kCyclic[] = "\x82\xAA\x8Fz\x8A\xC2\x8EQ\x8F\xC6\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xBD\x82\xDF\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の描画方法がわかりません。\n"
inline constexpr char kUnknownKind[] = "\x82\xCC\x95`\x89\xE6\x95\xFB\x96@\x82\xAA\x82\xED\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "ゴーストの作成に失敗しました。\n"
inline constexpr char kGhostCreateFailed[] = "\x83S\x81[\x83X\x83g\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "マスク制御を行うオブジェクトを捕捉できません(現在ゴースト非対応)\n"
inline constexpr char kMaskNotGhosted[] = "\x83}\x83X\x83N\x90\xA7\x8C\xE4\x82\xF0\x8Ds\x82\xA4\x83I\x83u\x83W\x83\x46\x83N\x83g\x82\xF0\x95\xDF\x91\xA8\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1(\x8C\xBB\x8D\xDD\x83S\x81[\x83X\x83g\x94\xF1\x91\xCE\x89\x9E)\n";
// "メモリが不足しているため、描画できません\n"
inline constexpr char kNoMemoryToDraw[] = "\x83\x81\x83\x82\x83\x8A\x82\xAA\x95s\x91\xAB\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xBD\x82\xDF\x81\x41\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\n";
// "のベクタパス設定を解釈できません。\n"
inline constexpr char kPathUnreadable[] = "\x82\xCC\x83x\x83N\x83^\x83p\x83X\x90\xDD\x92\xE8\x82\xF0\x89\xF0\x8E\xDF\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の描画の入れ子が深すぎるため、描画できません。\n"
inline constexpr char kRenderTooDeep[] = "\x82\xCC\x95`\x89\xE6\x82\xCC\x93\xFC\x82\xEA\x8Eq\x82\xAA\x90[\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81\x41\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の画像データを読み込めません。\n"
inline constexpr char kImageUnreadable[] = "\x82\xCC\x89\xE6\x91\x9C\x83\x66\x81[\x83^\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

}  // namespace render_text

// The message builders. Each appends to errorText and does nothing when it is
// null.

// text as it is.
inline void AppendRenderText(CStr_base<64>* errorText, const char* text) {
    if (errorText != nullptr) errorText->Append(text);
}
// Q name Q tail.
inline void AppendNamedText(CStr_base<64>* errorText, const char* name, const char* tail) {
    if (errorText == nullptr) return;
    errorText->AppendChar('"').Append(name).AppendChar('"').Append(tail);
}
// Q factor Q "に指定されている" Q object Q tail: a factor and the object it names.
inline void AppendFactorObjectText(CStr_base<64>* errorText, const char* factorName, const char* objectName,
                                   const char* tail) {
    if (errorText == nullptr) return;
    errorText->AppendChar('"').Append(factorName).AppendChar('"').Append(render_text::kSpecifiedIn);
    errorText->AppendChar('"').Append(objectName).AppendChar('"').Append(tail);
}
// Q factor Q "と" Q object Q "が循環参照しているため描画できません。\n"
inline void AppendCyclicText(CStr_base<64>* errorText, const char* factorName, const char* objectName) {
    if (errorText == nullptr) return;
    errorText->AppendChar('"').Append(factorName).AppendChar('"').Append(render_text::kAnd);
    errorText->AppendChar('"').Append(objectName).AppendChar('"').Append(render_text::kCyclic);
}
