// Tolerances of the geometry library and the global context that holds the default one.
#pragma once

class AcGeTol {
public:
    AcGeTol() = default;
    AcGeTol(double equalPoint, double equalVector) : m_equalPoint(equalPoint), m_equalVector(equalVector) {}

    double equalPoint() const { return m_equalPoint; }
    double equalVector() const { return m_equalVector; }
    void setEqualPoint(double value) { m_equalPoint = value; }
    void setEqualVector(double value) { m_equalVector = value; }

private:
    double m_equalPoint = 1e-10;
    double m_equalVector = 1e-12;
};

struct AcGeContext {
    // The default tolerance of every comparison that is not given one.
    static AcGeTol gTol;
};

namespace AcGe {
enum ErrorCondition { kOk = 0, kNonCoplanarGeometry, kDegenerateGeometry, kSingularPoint };
}  // namespace AcGe
