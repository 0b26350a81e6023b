// Dimensions: the host's dimension kinds, each with its defining points, its text (empty: the measurement)
// and the text position. What a dimension shows is drawn into its block, an anonymous "*D<n>" block that
// the dimension names: recomputeDimensionBlock draws it in the drawing, and the drawing-file writer draws it
// into the file for a dimension that has none or whose block shows an older state of it. In files every kind
// is a DIMENSION record whose group 70 names the kind and whose group 2 names the block. The reader makes a
// kind only of a DIMENSION without a block; one that names a block is kept as read (style, flags, text place
// and overrides are more than the kinds hold), so a file's dimensions are saved back as they came.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/dbentity.h"

namespace platform {

// What a dimension shows, as plain geometry in world coordinates: lines, arcs counter-clockwise about the
// dimension's normal (angles from the X axis of its plane), and the text centred at a point.
struct DimensionPicture {
    struct Line {
        AcGePoint3d start;
        AcGePoint3d end;
    };
    struct Arc {
        AcGePoint3d center;
        double radius = 0.0;
        double startAngle = 0.0;
        double endAngle = 0.0;
    };
    std::vector<Line> lines;
    std::vector<Arc> arcs;
    std::u16string text;
    AcGePoint3d textPosition;
    double textRotation = 0.0;
};

}  // namespace platform

class AcDbDimension : public AcDbEntity {
    TARN_RX_DECLARE_MEMBERS(AcDbDimension)
public:
    AcString dimensionText() const { return AcString(m_text); }
    const ACHAR* dimensionTextConst() const { return m_text.c_str(); }
    // A null text is empty: the measurement is shown.
    Acad::ErrorStatus setDimensionText(const ACHAR* text);
    // Where the text was put, or where the kind puts it by default.
    AcGePoint3d textPosition() const {
        return m_userTextPosition ? m_textPosition : tarnDefaultTextPosition();
    }
    // The text then stays where it was put.
    Acad::ErrorStatus setTextPosition(const AcGePoint3d& position);
    bool isUsingDefaultTextPosition() const { return !m_userTextPosition; }
    Acad::ErrorStatus useDefaultTextPosition();
    AcDbObjectId dimensionStyle() const { return m_style; }
    // A null style: the host's default.
    Acad::ErrorStatus setDimensionStyle(AcDbObjectId style);
    // The "move text" override: 0 moves the dimension line with the text, 1 adds a leader, 2 moves the text
    // alone; eInvalidInput outside 0..2.
    int dimtmove() const { return m_dimtmove; }
    Acad::ErrorStatus setDimtmove(int value);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    // The block that shows the dimension; null while it has none.
    AcDbObjectId dimBlockId() const { return m_block; }
    // The block is taken as showing the dimension as it now stands.
    Acad::ErrorStatus setDimBlockId(const AcDbObjectId& blockId);
    // Draws the dimension into its block (lines, arcs and the text; colour by block, layer "0"), replacing
    // what the block held; a dimension without a block of its own (none, or one another dimension or a
    // reference also shows) gets a new anonymous block "*D<n>". With forceUpdate false a block that shows
    // the dimension as it stands is left alone. Needs the dimension open for write and resident
    // (eNoDatabase); a block table or block that cannot be opened for write gives its open status.
    Acad::ErrorStatus recomputeDimensionBlock(bool forceUpdate = true);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // Stand-in: what the dimension shows, and the same as entities of db that are not resident (lines, arcs,
    // one multi-line text) on layer "0", colour and linetype by block, the text in the style "Standard".
    platform::DimensionPicture tarnPicture() const;
    std::vector<std::unique_ptr<AcDbEntity>> tarnPictureEntities(const AcDbDatabase* db) const;
    // Whether dimBlockId names a live block of the dimension's database that can show it (not a layout, not
    // the block the dimension lies in), and whether that block shows the dimension as it now stands.
    bool tarnHasBlock() const;
    bool tarnBlockIsCurrent() const;

    // Stand-in, for the file form: the kind's type code (group 70 without flags), its extra flags, and its
    // defining points by slot (slot 0 is the point every kind writes as group 10).
    int tarnTypeCode() const { return m_typeCode; }
    virtual int tarnTypeFlags() const { return 0; }
    virtual AcGePoint3d tarnDefaultTextPosition() const { return tarnPoint(0); }
    virtual void tarnSetTypeFlags(int) {}
    AcGePoint3d tarnPoint(int slot) const { return m_points[static_cast<size_t>(slot)]; }
    Acad::ErrorStatus tarnSetPoint(int slot, const AcGePoint3d& point);

protected:
    AcDbDimension(int typeCode, int pointCount) : m_typeCode(typeCode), m_pointCount(pointCount) {}
    // The constructors' common part: a null text or style stays empty.
    void tarnInit(const ACHAR* text, AcDbObjectId style);
    void tarnInitPoint(int slot, const AcGePoint3d& point) { m_points[static_cast<size_t>(slot)] = point; }
    // The kind's lines and arcs, the measurement as picture.text and the text's rotation; the text's place
    // and the override are the common part's.
    virtual void tarnDraw(platform::DimensionPicture& picture) const = 0;
    // A linear measurement of p1 and p2 along the unit direction, the dimension line through linePoint: the
    // dimension line, the two extension lines, the text along the line.
    void tarnDrawLinear(platform::DimensionPicture& picture, const AcGePoint3d& p1, const AcGePoint3d& p2,
                        const AcGePoint3d& linePoint, const AcGeVector3d& direction) const;
    // The angle of a point about a centre in the dimension's plane, in [0, 2pi).
    double tarnAngleOf(const AcGePoint3d& center, const AcGePoint3d& point) const;
    // Numbers as the text shows them: four decimals.
    static std::u16string tarnFormat(double value);

private:
    int m_typeCode;
    int m_pointCount;
    std::array<AcGePoint3d, 5> m_points{};
    std::u16string m_text;
    AcGePoint3d m_textPosition{0.0, 0.0, 0.0};
    bool m_userTextPosition = false;
    AcDbObjectId m_style;
    int m_dimtmove = 0;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    AcDbObjectId m_block;
    // What the block showed when it was set (a digest of the picture): a block showing an older state of the
    // dimension is drawn afresh.
    std::uint64_t m_blockDigest = 0;
};

namespace platform::dxf {

// The dimension class of a file's type code (group 70 without flags); null for codes no kind has.
AcRxClass* DimensionClass(int typeCode);
// The number after the highest of the database's blocks "*D<n>" (1 when it has none): the next one made.
unsigned FirstFreeDimensionBlockNumber(const AcDbDatabase* db);

}  // namespace platform::dxf
