// One reactor for the editor, the document manager and a database, writing each notification as a line.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/win32/core/unicode.h"

class Recorder : public AcEditorReactor, public AcApDocManagerReactor, public AcDbDatabaseReactor {
public:
    std::vector<std::string> log;

    static std::string U8(const ACHAR* s) { return platform::Utf16ToUtf8(s != nullptr ? s : u""); }
    static std::string Title(const AcApDocument* doc) {
        return doc != nullptr ? U8(doc->docTitle()) : "null";
    }

    void commandWillStart(const ACHAR* c) override { log.push_back("willStart " + U8(c)); }
    void commandEnded(const ACHAR* c) override { log.push_back("ended " + U8(c)); }
    void commandCancelled(const ACHAR* c) override { log.push_back("cancelled " + U8(c)); }
    void commandFailed(const ACHAR* c) override { log.push_back("failed " + U8(c)); }
    void unknownCommand(const ACHAR* c, AcDbVoidPtrArray*) override { log.push_back("unknown " + U8(c)); }
    void beginClose(AcDbDatabase*) override { log.push_back("beginClose"); }
    void viewChanged() override { log.push_back("viewChanged"); }

    void documentCreateStarted(AcApDocument* d) override { log.push_back("createStarted " + Title(d)); }
    void documentCreated(AcApDocument* d) override {
        // The new document is current and its database the working one when this arrives.
        const bool current = acDocManager->curDocument() == d &&
                             acdbHostApplicationServices()->workingDatabase() == d->database();
        log.push_back("created " + Title(d) + (current ? " (current)" : " (NOT current)"));
    }
    void documentToBeDestroyed(AcApDocument* d) override {
        log.push_back("toBeDestroyed " + Title(d) + (d->database() != nullptr ? " (db)" : " (no db)"));
    }
    void documentDestroyed(const ACHAR* name) override { log.push_back("destroyed " + U8(name)); }
    void documentBecameCurrent(AcApDocument* d) override { log.push_back("becameCurrent " + Title(d)); }
    void documentToBeActivated(AcApDocument* d) override { log.push_back("toBeActivated " + Title(d)); }
    void documentToBeDeactivated(AcApDocument* d) override { log.push_back("toBeDeactivated " + Title(d)); }
    void documentActivated(AcApDocument* d) override { log.push_back("activated " + Title(d)); }

    void objectAppended(const AcDbDatabase*, const AcDbObject* o) override {
        log.push_back("appended " + U8(o->isA()->name()));
    }
    void objectModified(const AcDbDatabase*, const AcDbObject* o) override {
        log.push_back("modified " + U8(o->isA()->name()));
    }
    void objectErased(const AcDbDatabase*, const AcDbObject* o, bool erased) override {
        log.push_back(std::string(erased ? "erased " : "unerased ") + U8(o->isA()->name()));
    }

    // The lines logged since the last call.
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
};

// Appends a line to the working drawing's model space (the caller holds a command or a lock).
inline AcDbObjectId AddLine(const AcGePoint3d& a, const AcGePoint3d& b, const ACHAR* layer = nullptr) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbBlockTable* table = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* ms = nullptr;
    table->getAt(ACDB_MODEL_SPACE, ms, AcDb::kForWrite);
    table->close();
    AcDbLine* line = new AcDbLine(a, b);
    if (layer != nullptr) {
        line->setLayer(layer);
    }
    AcDbObjectId id;
    ms->appendAcDbEntity(id, line);
    line->close();
    ms->close();
    return id;
}

// Adds a layer to the working drawing.
inline void AddLayer(const ACHAR* name) {
    AcDbLayerTable* table = nullptr;
    acdbHostApplicationServices()->workingDatabase()->getLayerTable(table, AcDb::kForWrite);
    AcDbLayerTableRecord* record = new AcDbLayerTableRecord;
    record->setName(name);
    table->add(record);
    record->close();
    table->close();
}
