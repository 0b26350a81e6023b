// Entry points of the fuzz targets. Each takes one input as the fuzzing engine hands it over (a block of
// exactly that many bytes, not NUL-terminated, so a read past its end is caught) and drives one parser of
// outside input with it, then checks what must hold for whatever was accepted. The result is empty when it
// all held, else what broke. The fuzz binaries abort on a non-empty result; the test suite replays the
// regression corpus through the same functions with the normal compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnfuzz {

using EntryFn = std::string (*)(const std::uint8_t* data, std::size_t size);

struct Entry {
    const char* name;  // the target's name: fuzz_<name>, its corpora under fuzz/corpus/<name>, regress/<name>
    EntryFn run;
};

// Every target, in one table walked by the replay test and by tarn.sh's fuzz job.
// A target added later is one entry function in a file of its own under fuzz/entries/ and one row here.
const std::vector<Entry>& Entries();
const Entry* FindEntry(const std::string& name);

// Map-link records: the first byte picks the record kind, the rest is the wire form.
std::string RunMapRecords(const std::uint8_t* data, std::size_t size);
// The drawing-file reader, with a consistency check and a save-and-reopen after every successful read.
std::string RunDxfRead(const std::uint8_t* data, std::size_t size);
// The drawing file's round trip: read, save, reopen; the reopened drawing holds the same objects under the
// same handles and owners and saves to the same text.
std::string RunDxfRoundTrip(const std::uint8_t* data, std::size_t size);
// The drawing file's value parsers (reals, angles, integers, handles, binary chunks, texts) on one value.
std::string RunDxfValues(const std::uint8_t* data, std::size_t size);
// Profile (INI) files: the input is the file.
std::string RunProfile(const std::uint8_t* data, std::size_t size);
// Linetype files: the input is the file.
std::string RunLinetypeFile(const std::uint8_t* data, std::size_t size);
// Code pages and UTF-8: the first byte picks the conversion's options.
std::string RunTextConversions(const std::uint8_t* data, std::size_t size);
// The simulator's readers of request headers, serialised objects, packets and map-file records.
std::string RunMapsimReaders(const std::uint8_t* data, std::size_t size);
// The settings file: the first byte picks the current or the older file, the rest is the file.
std::string RunSettingsFile(const std::uint8_t* data, std::size_t size);
// PNG loading: the input is the file, read by the plug-in's decoder and by a raster-image definition.
std::string RunPngLoading(const std::uint8_t* data, std::size_t size);
// The hidden window's incoming messages: the first byte says whether the map application runs and sets the
// view following and the online base map, then each
// message is a selector (a routed code, a code of the input's, a progress message or a timer step), its
// payload's length and the payload.
std::string RunWindowMessages(const std::uint8_t* data, std::size_t size);
// Map-file answers (tiles and captures) to a plug-in with its base map loaded and a capture running: the
// first byte may make the simulator hostile, then each answer is an asked record with its path turned
// elsewhere and its bytes patched; no file outside the plug-in's own may change.
std::string RunMapFileAnswers(const std::uint8_t* data, std::size_t size);
// The send road's answer: the input is the map application's answer to a send of a small drawing.
std::string RunSendAnswer(const std::uint8_t* data, std::size_t size);
// The receive road: the input is the map application's answer to the selection request, received twice.
std::string RunReceivedObjects(const std::uint8_t* data, std::size_t size);
// The property text of a remark: the input is the text in UTF-16 units.
std::string RunPropertyText(const std::uint8_t* data, std::size_t size);

}  // namespace tarnfuzz
