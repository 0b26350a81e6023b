// The send roads: entities to map objects, packed and sent, and the pairing of the map application's answer.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/core/SyncState.h"
#include "plugin/maplink/mapobj.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

struct CLayerEntityNode;

// The selection, by layer: missing layer folders first (one folder packet), then one object packet.
void SendSelectedEntities();
// Sends the entities as one object packet; false when the folder tree or the workspace folder fails.
bool SendEntityArray(const AcDbObjectIdArray& ids);
// The 20112 answer: count records of 64 bytes, paired with the entities and folders just sent.
void PairSendAnswer(const BYTE* records, DWORD count);
// Entities edited while the map application is closed are kept by key in the drawing's state, and sent
// (the current drawing's) once the map application is there again.
void KeepUnsentEntities(const AcDbObjectIdArray& ids);
void SendUnsentEntities();

// Converts one layer group into the packet; false when an entity's binding can't be had.
bool ConvertEntityGroup(MapApiBuf* packet, const CLayerEntityNode* group, uint32_t layerFolderId,
                        std::vector<uint32_t>& deleteIds, bool sizeFilter);
// The layer's live folder id, 0 when it has none or the map application no longer has it.
uint32_t GetLayerFolderId(const CString& layerName);
// Serialises the record behind a 64-byte object header into the packet and frees the record.
void WriteMapObject(void* record, int type, MapApiBuf* packet, CBindingRecord* binding);

// A packet: the request header (its parent folder the drawing folder) and the group header's bytes
// reserved; 80 bytes used. False when no memory could be had.
bool StartMapPacket(MapApiBuf* packet, uint32_t drawingFolderId);
// Writes the group header in place and sends the packet (code 20112); the buffer is freed.
int SendMapPacket(MapApiBuf* packet, uint32_t drawingFolderId);

inline constexpr DWORD kPacketStartBytes = 1000;
inline constexpr DWORD kPacketHeadBytes = 80;
inline constexpr DWORD kObjectHeaderBytes = 64;
inline constexpr int kProgressThreshold = 1000;  // ids above which a send shows its progress
inline constexpr int kMaxTrackPoints = 60000;

// The layer whose folder was looked up last.
extern AcDbObjectId g_idLastLayer;

// Forgets the last layer looked up and the keys of the last send.
void ResetSendRoadState();
