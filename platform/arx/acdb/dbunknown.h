// Objects of kinds the stand-in does not model, kept as a drawing file gave them so that saving the drawing
// gives them back: their file type name and every group of the record (own handle aside, which is the
// object's). Dictionaries and other objects may list them like any object. References among the groups are
// held as ids, so they follow the objects they name when the reader gives those new handles.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbobject.h"

class AcDbUnknownObject : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbUnknownObject)
public:
    AcDbUnknownObject() = default;

    struct Pair {
        enum class Kind {
            kValue,      // value: the text written back (texts in the file's ASCII form, numbers as read)
            kReference,  // id: the object named; null when the file's handle named nothing that was kept
            kOwner       // the owner group of the head: written as the owner the object has
        };
        short code = 0;
        Kind kind = Kind::kValue;
        std::string value;
        AcDbObjectId id;
    };

    // The file's type name ("LAYOUT"); never empty for an object read from a file.
    const std::string& tarnFileType() const { return m_type; }
    // The groups after the type, in file order, without the object's own handle group.
    const std::vector<Pair>& tarnPairs() const { return m_pairs; }
    // The groups of the file's CLASS record of this type (its 1, 2, 3, 90, ... groups), empty when the file
    // announced none.
    const std::vector<Pair>& tarnClassPairs() const { return m_classPairs; }
    // Sets the contents (readers of drawing files; needs a write-open).
    Acad::ErrorStatus tarnSetContents(std::string type, std::vector<Pair> pairs,
                                      std::vector<Pair> classPairs);

private:
    std::string m_type;
    std::vector<Pair> m_pairs;
    std::vector<Pair> m_classPairs;
};

// Records of the symbol tables the database does not keep (DIMSTYLE, VIEW, UCS), kept the same way so that a
// file's dimension styles, views and coordinate systems are saved back: the file type names the table, and
// the writer puts them back in it. No table lists them here and they have no owner; nothing but the writer
// uses them.
class AcDbUnknownTableRecord : public AcDbUnknownObject {
    TARN_DB_DECLARE_MEMBERS(AcDbUnknownTableRecord)
public:
    AcDbUnknownTableRecord() = default;

    // The group of the record's handle in files: 105 for a DIMSTYLE record, 5 for the others.
    int tarnHandleCode() const { return HandleCodeOf(tarnFileType()); }
    static int HandleCodeOf(const std::string& type) { return type == "DIMSTYLE" ? 105 : 5; }
};

// Entities of kinds the stand-in does not model (SOLID, DIMENSION, LEADER, ...), kept the same way: the file
// type name and every group as read, with the records that follow the entity in the file (ATTRIB, VERTEX,
// SEQEND) among them. The entity takes its layer from the file, so layer locks and listings treat it as any
// other; its geometry is not known, so it cannot be moved or measured.
class AcDbUnknownEntity : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbUnknownEntity)
public:
    using Pair = AcDbUnknownObject::Pair;
    AcDbUnknownEntity() = default;

    const std::string& tarnFileType() const { return m_type; }
    const std::vector<Pair>& tarnPairs() const { return m_pairs; }
    const std::vector<Pair>& tarnClassPairs() const { return m_classPairs; }
    Acad::ErrorStatus tarnSetContents(std::string type, std::vector<Pair> pairs,
                                      std::vector<Pair> classPairs);

private:
    std::string m_type;
    std::vector<Pair> m_pairs;
    std::vector<Pair> m_classPairs;
};
