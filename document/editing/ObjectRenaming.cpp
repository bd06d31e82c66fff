// Renaming an object, undoing a rename from its record, and prefixing the
// object names a factor references (the bulk import of objects).
//
// References are whole names compared byte for byte: a factor's SourceName,
// its four TemplateNames and the four names of each of its target entries. A
// rename with rewrite changes each of them that equals the old name, in every
// factor of every object, and records which factors it touched:
//     old "/" new { "/" holder "," position }
// holder being the object's key right after the rename (the renamed object
// itself appears under its new name), in map order and by position within an
// object. Object names hold neither "/" nor ",", so the record splits back
// unambiguously.
//
// Undoing reads the whole record and checks every item against the document
// before it changes anything: a record that does not describe the document as
// it stands (edited since, or not a record at all) is refused as a whole rather
// than applied half-way.
#include <cstdint>
#include <cstring>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXFactor.h"
#include "document/model/QDXObject.h"
#include "foundation/containers/StrArray.h"

namespace {

// Every reference of the factor equal to from becomes to; true when any did.
bool RenameReferences(QDXFactor& factor, const char* from, const char* to) {
    bool changed = false;
    if (factor.SourceName == from) {
        factor.SourceName.Assign(to);
        changed = true;
    }
    for (CStr_base<64>& name : factor.TemplateNames) {
        if (name == from) {
            name.Assign(to);
            changed = true;
        }
    }
    for (QDXForeachTargetInfo* entry : factor.Targets) changed |= entry->RenameName(from, to);
    return changed;
}

// Every factor of the object named after it: "<name>?<position>".
void RenameFactors(QDXObject& object) {
    uint32_t position = 0;
    for (QDXFactor* factor : object.Factors) factor->AssignName(object.Name.GetText(), int32_t(position++));
}

// One item of a rename record, "holder,position": the holder's name and the
// position in decimal digits (nothing else, and within 32 bits).
struct RecordItem {
    CStr_base<64> holder;
    uint32_t position = 0;

    bool Read(const char* text) {
        int32_t comma = -1;
        for (int32_t i = 0; text[i] != 0; ++i) {
            if (text[i] != ',') continue;
            if (comma >= 0) return false;  // more than two parts
            comma = i;
        }
        if (comma < 0 || text[comma + 1] == 0) return false;
        uint64_t value = 0;
        for (const char* p = text + comma + 1; *p != 0; ++p) {
            if (*p < '0' || *p > '9') return false;
            value = value * 10 + uint32_t(*p - '0');
            if (value > UINT32_MAX) return false;
        }
        holder.AssignBytesN(text, comma);
        position = uint32_t(value);
        return true;
    }
};

}  // namespace

bool QDXForeachTargetInfo::RenameName(const char* from, const char* to) {
    bool changed = false;
    for (CStr_base<64>& name : Names) {
        if (name == from) {
            name.Assign(to);
            changed = true;
        }
    }
    return changed;
}

bool CQDXCtrl::RenameObject(const char* oldName, const char* newName, bool rewrite, CStr_base<1024>* record) {
    // The new name must read back: the reader refuses an empty name and one
    // that ends in a lone lead byte, and would then refuse the whole document.
    if (!IsStorableObjectName(newName)) return false;
    if (record != nullptr) record->SetLength(0);
    if (std::strcmp(oldName, newName) == 0) {
        if (record != nullptr) record->Format("%s/%s", oldName, newName);
        return true;
    }
    auto* element = Objects.Find(oldName);
    // The built-ins stay under their names for the document's whole life.
    if (element == nullptr || element->GetValue().Kind == QDXObject::kBuiltIn) return false;
    if (Objects.Find(newName) != nullptr) return false;
    // oldName may be the object's own Name, which changes below.
    CStr_base<64> from(oldName);
    if (!Objects.RenameKey(from.GetText(), newName)) return false;

    QDXObject& object = element->GetValue();
    object.Name.Assign(newName);
    RenameFactors(object);
    if (record != nullptr) record->Format("%s/%s", from.GetText(), newName);
    if (!rewrite) return true;

    CStr_base<64> item;
    for (uint32_t bucket = 0; bucket < Objects.kBuckets; ++bucket) {
        for (auto* e = Objects.GetBucketHead(bucket); e != nullptr; e = e->GetNext()) {
            uint32_t position = 0;
            for (QDXFactor* factor : e->GetValue().Factors) {
                if (RenameReferences(*factor, from.GetText(), newName) && record != nullptr) {
                    item.Format("/%s,%u", e->GetKey(), position);
                    record->AppendString(item);
                }
                ++position;
            }
        }
    }
    return true;
}

bool CQDXCtrl::ApplyRenameRecord(const char* record) {
    CStrArray_base<64> parts;
    if (parts.Split(record, "/") < 2) return false;
    const char* oldName = parts.GetAt(0)->GetText();
    const char* newName = parts.GetAt(1)->GetText();
    auto* element = Objects.Find(newName);
    if (element == nullptr) return false;
    if (std::strcmp(oldName, newName) == 0) return true;
    if (element->GetValue().Kind == QDXObject::kBuiltIn) return false;
    if (Objects.Find(oldName) != nullptr || !IsStorableObjectName(oldName)) return false;

    // Every item first: the named object exists and holds a factor there.
    const uint32_t count = parts.GetCount();
    RecordItem item;
    for (uint32_t i = 2; i < count; ++i) {
        if (!item.Read(parts.GetAt(i)->GetText())) return false;
        auto* holder = Objects.Find(item.holder.GetText());
        if (holder == nullptr || item.position >= holder->GetValue().Factors.GetCount()) return false;
    }

    for (uint32_t i = 2; i < count; ++i) {
        (void)item.Read(parts.GetAt(i)->GetText());  // read once already
        QDXObject& holder = Objects.Find(item.holder.GetText())->GetValue();
        RenameReferences(*holder.Factors.GetAt(item.position), newName, oldName);
    }
    // Cannot be refused now: the old name is free and the new one present.
    if (!Objects.RenameKey(newName, oldName)) return false;
    QDXObject& object = element->GetValue();
    object.Name.Assign(oldName);
    RenameFactors(object);
    return true;
}

bool QDXFactor::PrefixReferences(const char* prefix) {
    if (FactorKindNamesSourceObject(Kind)) PrefixReferenceName(prefix, SourceName);
    if (Kind == QDXFactor::kGhostObject) {
        for (CStr_base<64>& name : TemplateNames) PrefixReferenceName(prefix, name);
    }
    if (Kind == QDXFactor::kTargetList) {
        for (QDXForeachTargetInfo* entry : Targets) {
            for (CStr_base<64>& name : entry->Names) PrefixReferenceName(prefix, name);
        }
    }
    return true;
}
