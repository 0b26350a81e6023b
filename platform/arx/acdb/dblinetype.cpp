#include "platform/arx/acdb/dblinetype.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

#include "platform/arx/acdb/dxffields.h"
namespace {

using platform::FieldDesc;
using platform::FieldKind;

// The dashes (49, one per dash, each with its kind 74) are a list: the drawing-file codec writes them.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbLinetypeTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbLinetypeTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
    TARN_FIELD_OUT(70, kInt16, "flags", AcDbLinetypeTableRecord, v.integer = 0),
    TARN_FIELD(3, kString, "comments", AcDbLinetypeTableRecord, platform::dxf::Put(v, self->tarnComments()),
               self->setComments(v.text.c_str())),
    TARN_FIELD_OUT(72, kInt16, "alignment", AcDbLinetypeTableRecord, v.integer = 'A'),
    TARN_FIELD_OUT(73, kInt16, "numDashes", AcDbLinetypeTableRecord, v.integer = self->numDashes()),
    TARN_FIELD(40, kReal, "patternLength", AcDbLinetypeTableRecord, v.real = self->patternLength(),
               self->setPatternLength(v.real)),
};

// Our own metric linetype file: a header line "*NAME,description" and a pattern line "A,dash,gap,...".
const char kIsoLin[] =
    ";; Standard metric linetypes\n"
    "*Continuous,Solid line ________________________________________\n"
    "A,0\n"
    "*DOT,Dot . . . . . . . . . . . . . . . . . . . . . . . . . . .\n"
    "A,0,-6.35\n"
    "*JIS_02_1.0,JIS dashed line __ __ __ __ __ __ __ __ __ __ __\n"
    "A,1.0,-0.5\n"
    "*DASHDOT,Dash dot __ . __ . __ . __ . __ . __ . __ . __ . __\n"
    "A,12.7,-6.35,0,-6.35\n"
    "*DIVIDE,Divide ____ . . ____ . . ____ . . ____ . . ____ . .\n"
    "A,12.7,-6.35,0,-6.35,0,-6.35\n"
    "*DASHED,Dashed __ __ __ __ __ __ __ __ __ __ __ __ __ __ __\n"
    "A,12.7,-6.35\n"
    "*DASHDOTX2,Dash dot (2x) ____  .  ____  .  ____  .  ____  .\n"
    "A,25.4,-12.7,0,-12.7\n"
    "*DIVIDEX2,Divide (2x) ________  .  .  ________  .  .  ____\n"
    "A,25.4,-12.7,0,-12.7,0,-12.7\n"
    "*CENTER,Center ____ _ ____ _ ____ _ ____ _ ____ _ ____ _\n"
    "A,31.75,-6.35,6.35,-6.35\n"
    "*HIDDEN,Hidden __ __ __ __ __ __ __ __ __ __ __ __ __ __\n"
    "A,6.35,-3.175\n";

struct LinDef {
    std::u16string name;
    std::u16string comments;
    std::vector<double> dashes;
    bool broken = false;  // a value that is not a finite number: no linetype a drawing can hold
};

std::vector<LinDef> ParseLin(const std::string& text) {
    std::vector<LinDef> defs;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '*') {
            const size_t comma = line.find(',');
            LinDef def;
            def.name = platform::Utf8ToUtf16(
                line.substr(1, comma == std::string::npos ? std::string::npos : comma - 1));
            if (comma != std::string::npos) {
                def.comments = platform::Utf8ToUtf16(line.substr(comma + 1));
            }
            defs.push_back(def);
        } else if (!defs.empty() && (line[0] == 'A' || line[0] == 'a')) {
            std::istringstream values(line.substr(1));
            std::string item;
            while (std::getline(values, item, ',')) {
                if (!item.empty()) {
                    const double value = std::strtod(item.c_str(), nullptr);
                    defs.back().dashes.push_back(value);
                    defs.back().broken = defs.back().broken || !std::isfinite(value);
                }
            }
        }
    }
    defs.erase(std::remove_if(defs.begin(), defs.end(), [](const LinDef& def) { return def.broken; }),
               defs.end());
    // "A,0" is the solid line's way of saying it has no dashes.
    for (LinDef& def : defs) {
        if (def.dashes.size() == 1 && def.dashes[0] == 0.0) {
            def.dashes.clear();
        }
    }
    return defs;
}

bool IsBuiltinLin(const std::u16string& name) {
    const size_t cut = name.find_last_of(u"\\/");
    const std::u16string base = cut == std::u16string::npos ? name : name.substr(cut + 1);
    return platform::EqualsNoCase(base, u"ACADISO.LIN") || platform::EqualsNoCase(base, u"ACAD.LIN");
}

// The built-in file never changes: it is parsed once (posting entities asks for it again and again).
const std::vector<LinDef>& BuiltinDefs() {
    static const std::vector<LinDef> defs = ParseLin(kIsoLin);
    return defs;
}

bool ReadLinFile(const std::u16string& name, std::string& text) {
    FILE* file = _wfopen(name.c_str(), u"rb");
    if (file == nullptr) {
        return false;
    }
    text.clear();
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

Acad::ErrorStatus AddDef(AcDbLinetypeTable* table, const LinDef& def) {
    if (table->has(def.name.c_str())) {
        return Acad::eOk;
    }
    auto* record = new AcDbLinetypeTableRecord();
    record->setName(def.name.c_str());
    record->setComments(def.comments.c_str());
    record->setNumDashes(static_cast<int>(def.dashes.size()));
    double length = 0.0;
    for (size_t i = 0; i < def.dashes.size(); ++i) {
        record->setDashLengthAt(static_cast<int>(i), def.dashes[i]);
        length += def.dashes[i] < 0 ? -def.dashes[i] : def.dashes[i];
    }
    record->setPatternLength(length);
    Acad::ErrorStatus es = table->add(record);
    if (es != Acad::eOk) {
        delete record;
        return es;
    }
    record->close();
    return Acad::eOk;
}

}  // namespace

TARN_RX_DEFINE(AcDbLinetypeTableRecord, AcDbSymbolTableRecord, u"LTYPE", kFields, std::size(kFields))

Acad::ErrorStatus AcDbLinetypeTableRecord::comments(AcString& text) const {
    text = AcString(m_comments);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLinetypeTableRecord::setComments(const ACHAR* text) {
    return tarnSet(m_comments, text != nullptr ? text : u"");
}

Acad::ErrorStatus AcDbLinetypeTableRecord::setPatternLength(double length) {
    return tarnSet(m_patternLength, length);
}

Acad::ErrorStatus AcDbLinetypeTableRecord::setNumDashes(int count) {
    if (count < 0 || count > 12) {
        return Acad::eOutOfRange;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_dashes.resize(static_cast<size_t>(count), 0.0);
    }
    return es;
}

double AcDbLinetypeTableRecord::dashLengthAt(int index) const {
    return index >= 0 && index < numDashes() ? m_dashes[static_cast<size_t>(index)] : 0.0;
}

Acad::ErrorStatus AcDbLinetypeTableRecord::setDashLengthAt(int index, double length) {
    if (index < 0 || index >= numDashes()) {
        return Acad::eInvalidIndex;
    }
    return tarnSet(m_dashes[static_cast<size_t>(index)], length);
}

Acad::ErrorStatus AcDbLinetypeTableRecord::subErase(bool erasing) {
    if (erasing &&
        (platform::EqualsNoCase(tarnName(), u"ByBlock") || platform::EqualsNoCase(tarnName(), u"ByLayer") ||
         platform::EqualsNoCase(tarnName(), u"Continuous"))) {
        return Acad::eCannotBeErasedByCaller;
    }
    return Acad::eOk;
}

const char* platform::BuiltinLinetypeFile() {
    return kIsoLin;
}

Acad::ErrorStatus acdbLoadLineTypeFile(const ACHAR* linetypeName, const ACHAR* fileName, AcDbDatabase* db) {
    if (db == nullptr) {
        db = acdbHostApplicationServices()->workingDatabase();
    }
    if (linetypeName == nullptr || fileName == nullptr || db == nullptr) {
        return Acad::eInvalidInput;
    }
    const std::u16string file(fileName);
    std::vector<LinDef> read;
    if (!IsBuiltinLin(file)) {
        std::string text;
        if (!ReadLinFile(file, text)) {
            return Acad::eFileNotFound;
        }
        read = ParseLin(text);
    }
    const std::vector<LinDef>& defs = IsBuiltinLin(file) ? BuiltinDefs() : read;
    const bool all = std::u16string(linetypeName) == u"*";
    AcDbLinetypeTable* table = nullptr;
    Acad::ErrorStatus es = db->getLinetypeTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    Acad::ErrorStatus result = all ? Acad::eOk : Acad::eKeyNotFound;
    for (const LinDef& def : defs) {
        if (all || platform::EqualsNoCase(def.name, linetypeName)) {
            Acad::ErrorStatus added = AddDef(table, def);
            if (!all || added != Acad::eOk) {
                result = added;
            }
            if (!all) {
                break;
            }
        }
    }
    table->close();
    return result;
}
