#include "plugin/arxutil/DocWriteLock.h"

#include "platform/arx/acap/acapdoc.h"

CDocWriteLock::CDocWriteLock() : CDocWriteLock(acDocManager->curDocument()) {}

CDocWriteLock::CDocWriteLock(AcApDocument* doc) {
    if (doc != nullptr &&
        acDocManager->lockDocument(doc, AcAp::kWrite, nullptr, nullptr, true) == Acad::eOk) {
        m_doc = doc;
    }
}

CDocWriteLock::~CDocWriteLock() {
    Unlock();
}

void CDocWriteLock::Unlock() {
    if (m_doc != nullptr) {
        acDocManager->unlockDocument(m_doc);
        m_doc = nullptr;
    }
}
