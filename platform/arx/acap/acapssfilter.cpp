// The per-document attachment of selection filters: the editor keeps them by the document's database.
#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/aced/acedssfilter.h"

Acad::ErrorStatus addSSgetFilterInputContextReactor(AcApDocument* doc, AcEdSSGetFilter* filter) {
    if (doc == nullptr || filter == nullptr || doc->database() == nullptr) {
        return Acad::eInvalidInput;
    }
    platform::AddSelectionFilter(doc->database(), filter);
    return Acad::eOk;
}

Acad::ErrorStatus removeSSgetFilterInputContextReactor(AcApDocument* doc, AcEdSSGetFilter* filter) {
    if (doc == nullptr || filter == nullptr) {
        return Acad::eInvalidInput;
    }
    return platform::RemoveSelectionFilter(doc->database(), filter) ? Acad::eOk : Acad::eKeyNotFound;
}
