#include "plugin/arxutil/EntityProperty.h"

// Not every filler sets the flag and the opacity: a record left as built gives an entity in its own colour,
// fully opaque.
CEntityProperty::CEntityProperty() : m_bByLayer(false), m_nOpacity(100) {}
