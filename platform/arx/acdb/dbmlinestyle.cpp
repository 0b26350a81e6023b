#include "platform/arx/acdb/dbmlinestyle.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dxfcodec.h"

TARN_RX_DEFINE(AcDbMlineStyle, AcDbObject, u"MLINESTYLE", nullptr, 0)

Acad::ErrorStatus AcDbMlineStyle::setName(const ACHAR* name) {
    return tarnSet(m_name, std::u16string(name != nullptr ? name : u""));
}

Acad::ErrorStatus AcDbMlineStyle::setDescription(const ACHAR* description) {
    return tarnSet(m_description, std::u16string(description != nullptr ? description : u""));
}

Acad::ErrorStatus AcDbMlineStyle::addElement(int& index, double offset, const AcCmColor& color,
                                             const ACHAR* linetype) {
    if (!std::isfinite(offset)) {
        return Acad::eInvalidInput;
    }
    std::vector<Element> elements = m_elements;
    elements.push_back(
        {offset, color.colorIndex(), linetype != nullptr && *linetype ? linetype : u"BYLAYER"});
    const Acad::ErrorStatus es = tarnSetElements(std::move(elements));
    if (es == Acad::eOk) {
        index = numElements() - 1;
    }
    return es;
}

Acad::ErrorStatus AcDbMlineStyle::getElementAt(int index, double& offset, AcCmColor& color,
                                               AcString& linetype) const {
    if (index < 0 || index >= numElements()) {
        return Acad::eInvalidIndex;
    }
    const Element& element = m_elements[static_cast<size_t>(index)];
    offset = element.offset;
    color.setColorIndex(static_cast<Adesk::UInt16>(element.colorIndex));
    linetype = AcString(element.linetype);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMlineStyle::tarnSetExtra(const Extra& extra) {
    return tarnSet(m_extra, extra);
}

Acad::ErrorStatus AcDbMlineStyle::tarnSetElements(std::vector<Element> elements) {
    return tarnSet(m_elements, std::move(elements));
}

// ---- file form: 2 name, 70 flags, 3 description, 62 fill colour, 51 and 52 angles, 71 element count, then
// per element 49 offset, 62 colour and 6 linetype ----

namespace {

using platform::dxf::Group;
using platform::dxf::kMaxListItems;
using platform::dxf::ReadContext;
using platform::dxf::Writer;

void WriteStyle(const AcDbObject* object, Writer& out) {
    const auto* style = static_cast<const AcDbMlineStyle*>(object);
    const AcDbMlineStyle::Extra& extra = style->tarnExtra();
    out.raw(100, "AcDbMlineStyle");
    out.text(2, style->name());
    out.integer(70, extra.flags);
    out.text(3, style->description());
    out.integer(62, extra.fillColor);
    out.degrees(51, extra.startAngle);
    out.degrees(52, extra.endAngle);
    out.integer(71, style->numElements());
    for (const AcDbMlineStyle::Element& element : style->tarnElements()) {
        out.real(49, element.offset);
        out.integer(62, element.colorIndex);
        out.text(6, element.linetype);
    }
}

void ReadStyle(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* style = static_cast<AcDbMlineStyle*>(object);
    AcDbMlineStyle::Extra extra;
    std::vector<AcDbMlineStyle::Element> elements;
    // The count (71) is not trusted: each 49 group starts an element, and the 62 and 6 after it are its own.
    for (const Group& g : body) {
        switch (g.code) {
            case 2:
                style->setName(context.text(g).c_str());
                break;
            case 3:
                style->setDescription(context.text(g).c_str());
                break;
            case 70:
                extra.flags = ReadContext::integer(g);
                break;
            case 51:
                extra.startAngle = ReadContext::degrees(g);
                break;
            case 52:
                extra.endAngle = ReadContext::degrees(g);
                break;
            case 49:
                if (elements.size() < kMaxListItems) {
                    elements.emplace_back();
                    elements.back().offset = ReadContext::real(g);
                }
                break;
            case 62:
                if (elements.empty()) {
                    extra.fillColor = static_cast<int>(ReadContext::integer(g));
                } else {
                    elements.back().colorIndex = static_cast<int>(ReadContext::integer(g));
                }
                break;
            case 6:
                if (!elements.empty()) {
                    elements.back().linetype = context.text(g);
                }
                break;
            default:
                break;
        }
    }
    style->tarnSetExtra(extra);
    style->tarnSetElements(std::move(elements));
}

const platform::dxf::Codec kCodec = {u"AcDbMlineStyle", WriteStyle, ReadStyle};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

constexpr const ACHAR* kStyleDictionary = u"ACAD_MLINESTYLE";

}  // namespace

namespace platform {

AcDbObjectId FindMlineStyle(AcDbDatabase* db, const ACHAR* name) {
    AcDbObjectId found;
    AcDbDictionary* nod = nullptr;
    if (db == nullptr || name == nullptr || db->getNamedObjectsDictionary(nod, AcDb::kForRead) != Acad::eOk) {
        return found;
    }
    AcDbObject* object = nullptr;
    if (nod->getAt(kStyleDictionary, object, AcDb::kForRead) == Acad::eOk) {
        if (auto* styles = AcDbDictionary::cast(object)) {
            AcDbObjectId id;
            AcDbObject* style = nullptr;
            if (styles->getAt(name, id) == Acad::eOk &&
                acdbOpenObject(style, id, AcDb::kForRead) == Acad::eOk) {
                if (AcDbMlineStyle::cast(style) != nullptr) {
                    found = id;
                }
                style->close();
            }
        }
        object->close();
    }
    nod->close();
    return found;
}

AcDbObjectId StandardMlineStyle(AcDbDatabase* db) {
    AcDbObjectId id = FindMlineStyle(db, u"Standard");
    if (!id.isNull() || db == nullptr) {
        return id;
    }
    AcDbDictionary* nod = nullptr;
    if (db->getNamedObjectsDictionary(nod, AcDb::kForWrite) != Acad::eOk) {
        return id;
    }
    AcDbDictionary* styles = nullptr;
    AcDbObject* object = nullptr;
    if (nod->getAt(kStyleDictionary, object, AcDb::kForWrite) == Acad::eOk) {
        styles = AcDbDictionary::cast(object);
        if (styles == nullptr) {
            object->close();  // something else under the name: no style is made
        }
    } else {
        styles = new AcDbDictionary;
        AcDbObjectId dictId;
        if (nod->setAt(kStyleDictionary, styles, dictId) != Acad::eOk) {
            delete styles;
            styles = nullptr;
        }
    }
    nod->close();
    if (styles == nullptr) {
        return id;
    }
    auto* style = new AcDbMlineStyle;
    style->setName(u"Standard");
    AcCmColor byLayer;
    byLayer.setColorIndex(256);
    int index = 0;
    style->addElement(index, 0.5, byLayer, u"BYLAYER");
    style->addElement(index, -0.5, byLayer, u"BYLAYER");
    if (styles->setAt(u"Standard", style, id) == Acad::eOk) {
        style->close();
    } else {
        delete style;
        id = AcDbObjectId();
    }
    styles->close();
    return id;
}

}  // namespace platform
