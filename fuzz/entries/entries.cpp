#include "fuzz/entries/entries.h"

namespace tarnfuzz {

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> kEntries = {
        {"map_records", RunMapRecords},
        {"dxf_read", RunDxfRead},
        {"dxf_values", RunDxfValues},
        {"profile", RunProfile},
        {"linetype_file", RunLinetypeFile},
        {"text_conversions", RunTextConversions},
        {"mapsim_readers", RunMapsimReaders},
        {"settings_file", RunSettingsFile},
        {"png_loading", RunPngLoading},
        {"window_messages", RunWindowMessages},
        {"send_answer", RunSendAnswer},
        {"received_objects", RunReceivedObjects},
        {"property_text", RunPropertyText},
        {"dxf_round_trip", RunDxfRoundTrip},
        {"map_file_answers", RunMapFileAnswers},
    };
    return kEntries;
}

const Entry* FindEntry(const std::string& name) {
    for (const Entry& entry : Entries()) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace tarnfuzz
