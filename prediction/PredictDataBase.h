#pragma once
// The models of the active model list, and the model-list files they come from.
//
// A model-list file is text: the header line
// "Tarn_Predict_Outlinecrafter_ModelList", then one FactorVectorList line per
// model (FactorVector.h); empty lines are skipped. Files written on Windows
// (CR LF) read the same. The files live in <XDG data home>/outlinecrafter/
// modellist/, named "%d.qdml".
//
// Writing always goes through the atomic replace: a failed write leaves the old
// file as it was. A new list file never replaces an existing one.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/strings/Str.h"
#include "prediction/FactorVector.h"

inline constexpr const char* kModelListHeader = "Tarn_Predict_Outlinecrafter_ModelList";

class CPredict_DataBase {
public:
    CPredict_DataBase() = default;
    CPredict_DataBase(const CPredict_DataBase&) = delete;
    CPredict_DataBase& operator=(const CPredict_DataBase&) = delete;
    virtual ~CPredict_DataBase() = default;

    CArrayAuto<FactorVectorList> Models;  // in file order

    // Replaces Models by the models of the file at path (a stored path, code
    // page 932). Models is emptied first whatever happens. False for a file
    // that cannot be read, a wrong header line and at the first bad model line;
    // the models of the lines before a bad one stay, and a bad line never
    // leaves a half-read model.
    bool Load(const char* path);

    // Writes the header and every model to path through the atomic replace
    // (the old file, if any, stays as it was on failure). False when the file
    // cannot be written.
    bool Save(const char* path) const;

    // The same for a file that must not exist yet: false, nothing written, when
    // something is already at path. A new list is made this way from an empty
    // database (the header line only).
    bool SaveNew(const char* path) const;
};

// The folder of the model-list files, <XDG data home>/outlinecrafter/modellist,
// as a stored path without a trailing separator; made (with the folders above
// it) when create is true. False when no data folder is known or it cannot be
// made.
bool ModelListFolder(CStr_base<64>& out, bool create);
