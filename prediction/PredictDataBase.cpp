#include "prediction/PredictDataBase.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "foundation/containers/StrArray.h"
#include "foundation/files/AtomicFile.h"
#include "foundation/files/SFile.h"
#include "foundation/strings/UStr.h"
#include "platform/XdgPaths.h"

namespace {

// Reads the whole file into text; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, CStr_base<16384>& text) {
    CSFile file;
    if (file.Open(path, "r", IFFile::kAttributeArchive) != IFFile::kOk) return false;
    char buffer[16384];
    for (;;) {
        const uint32_t got = file.Read(buffer, sizeof buffer);
        if (got == 0) break;
        // A NUL byte ends the text, as it would for the line reader.
        text.AppendBytesN(buffer, int32_t(got));
        if (got < sizeof buffer) break;
    }
    const bool failed = file.m_status == IFFile::kIoFailure;
    file.Close();
    return !failed;
}

// Drops the carriage return of a CR LF line ending.
void DropCarriageReturn(CStr_base<1024>& line) {
    const int32_t length = line.GetLength();
    if (length != 0 && line.GetText()[length - 1] == '\r') line.SetLength(length - 1);
}

bool WriteModels(CAtomicFile& file, const CPredict_DataBase& database) {
    CStr_base<1024> line;
    line.Assign(kModelListHeader).Append("\n");
    if (file.Write(line.GetText(), uint32_t(line.GetLength())) != IFFile::kOk) return false;
    for (const FactorVectorList* model : database.Models) {
        model->Write(line);
        line.Append("\n");
        if (file.Write(line.GetText(), uint32_t(line.GetLength())) != IFFile::kOk) return false;
    }
    return file.Commit() == IFFile::kOk;
}

}  // namespace

bool CPredict_DataBase::Load(const char* path) {
    Models.RemoveAll();
    CStr_base<16384> text;
    if (!ReadWholeFile(path, text)) return false;

    CStrArray_base<1024> lines;
    lines.Split(text.GetText(), "\n");
    CStr_base<1024>& header = *lines.GetAt(0);
    DropCarriageReturn(header);
    if (header != kModelListHeader) return false;

    CStrArray_base<1024> items;
    CStrArray_base<64> vectorItems;
    for (uint32_t i = 1; i < lines.GetCount(); ++i) {
        CStr_base<1024>& line = *lines.GetAt(i);
        DropCarriageReturn(line);
        if (line.IsEmpty()) continue;
        FactorVectorList* model = Models.AddNew();
        if (!model->Parse(line.GetText(), items, vectorItems)) {
            Models.RemoveAt(Models.GetCount() - 1);
            return false;
        }
    }
    return true;
}

bool CPredict_DataBase::Save(const char* path) const {
    CAtomicFile file;
    if (file.Open(path, "w", IFFile::kAttributeArchive) != IFFile::kOk) return false;
    return WriteModels(file, *this);
}

bool CPredict_DataBase::SaveNew(const char* path) const {
    std::string system;
    if (!PathToSystem(path, system)) return false;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(system, error);
    // Anything at the path, or a path that cannot be looked at, is left alone.
    if (status.type() != std::filesystem::file_type::not_found) return false;
    return Save(path);
}

bool ModelListFolder(CStr_base<64>& out, bool create) {
    std::string folder;
    if (!platform::XdgDataHome(folder)) return false;
    folder.append("/").append(platform::kProgramFolderName).append("/modellist");
    if (create && !platform::MakeFolders(folder)) return false;
    return PathFromSystem(folder.c_str(), out);
}
