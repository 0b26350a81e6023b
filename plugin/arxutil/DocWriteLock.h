// The write lock of a document for the life of the object, taken as the plug-in takes it everywhere (no
// command names, prompting allowed). A lock the host refuses is not held: Locked() says so, nothing is
// unlocked for it, and the caller stops the work that needed it.
#pragma once

class AcApDocument;

class CDocWriteLock {
public:
    // The current document's lock.
    CDocWriteLock();
    // The document's lock; a null document takes none (Locked() is false).
    explicit CDocWriteLock(AcApDocument* doc);
    ~CDocWriteLock();
    CDocWriteLock(const CDocWriteLock&) = delete;
    CDocWriteLock& operator=(const CDocWriteLock&) = delete;

    bool Locked() const { return m_doc != nullptr; }
    // Gives the lock back before the end of the scope (once; nothing when it was not taken).
    void Unlock();

private:
    AcApDocument* m_doc = nullptr;
};
