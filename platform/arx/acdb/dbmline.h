// Multilines: parallel lines along a list of vertices, open or closed, drawn by a multiline style. The
// stand-in keeps the vertices (the reference line), the closed flag, the style, scale and justification, and
// where each of the style's lines runs at every vertex as files give it (or as it follows from the style
// for multilines made here).
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbentity.h"

namespace Mline {
enum MlineJustification { kTop = 0, kZero = 1, kBottom = 2 };
}

class AcDbMline : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbMline)
public:
    AcDbMline() = default;

    int numVertices() const { return static_cast<int>(m_vertices.size()); }
    // The origin for an index out of range.
    AcGePoint3d vertexAt(int index) const;
    Acad::ErrorStatus appendSeg(const AcGePoint3d& point);
    bool closedMline() const { return m_closed; }
    Acad::ErrorStatus setClosedMline(bool closed);

    // The style (an AcDbMlineStyle of the same database); the element offsets are taken from it now.
    AcDbObjectId style() const { return m_style; }
    Acad::ErrorStatus setStyle(const AcDbObjectId& style);
    double scale() const { return m_scale; }
    Acad::ErrorStatus setScale(double scale);
    Mline::MlineJustification justification() const { return m_justification; }
    Acad::ErrorStatus setJustification(Mline::MlineJustification justification);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    // A multiline appended without a style of the database draws by the style "Standard" (made when missing).
    void tarnApplyUnsetDefaults(AcDbDatabase* db) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // ---- drawing files
    // One vertex as files keep it: its segment's direction, its miter, and for each element its parameters
    // along the miter and the element (41) and of the fill (42).
    struct FileVertex {
        AcGeVector3d direction{1.0, 0.0, 0.0};
        AcGeVector3d miter{0.0, 1.0, 0.0};
        std::vector<std::vector<double>> params;
        std::vector<std::vector<double>> fills;
    };
    // The vertices in file form: as read when the geometry is unchanged, else worked out from the vertices
    // and the positions of the style's elements.
    std::vector<FileVertex> tarnFileVertices() const;
    // The style's name as the file gives it (its 2 group), and the flags other than vertex and closed.
    const std::u16string& tarnStyleName() const { return m_styleName; }
    int tarnCapFlags() const { return m_capFlags; }
    int tarnElementCount() const;
    // Readers of drawing files, once the file is read: a style the file lacks is replaced by the database's
    // style of the name the file gives, else by "Standard"; when the style has another number of elements
    // than the file's vertices, the elements run as the style says.
    void tarnMendStyle(AcDbDatabase* db);
    // Readers of drawing files.
    Acad::ErrorStatus tarnSetFromFile(std::vector<AcGePoint3d> vertices, std::vector<FileVertex> fileVertices,
                                      bool closed, int capFlags, std::u16string styleName,
                                      AcDbObjectId style);

private:
    // Forgets the file's form of the vertices, keeping where the elements run (from the first vertex).
    void dropFileForm();
    std::vector<double> positions() const;

    std::vector<AcGePoint3d> m_vertices;
    bool m_closed = false;
    AcDbObjectId m_style;
    std::u16string m_styleName;
    double m_scale = 1.0;
    Mline::MlineJustification m_justification = Mline::kTop;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    int m_capFlags = 0;
    // Distances of the elements from the reference line, measured square to it (justification and scale
    // applied).
    std::vector<double> m_positions;
    std::vector<double> m_offsets;           // the style's, when it was set here
    std::vector<FileVertex> m_fileVertices;  // as read; empty once the geometry changed
};
