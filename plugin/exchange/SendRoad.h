// The send roads: entities to map objects, packed and sent, and the pairing of the map application's answer.
#pragma once

#include "platform/arx/arxheaders.h"

// The toolbar's send button: the pick-first selection, its layers' folders first, then the objects.
void SendSelectedEntities();
// Sends the entities as one object packet; false when the folder tree or the workspace folder fails.
bool SendEntityArray(const AcDbObjectIdArray& ids);
// The 20112 answer: count records of 64 bytes, paired with the entities and folders just sent.
void PairSendAnswer(const BYTE* records, DWORD count);

// Set by the send roads while a send shows its progress, and while its folders are being created.
extern BYTE g_bSendProgress;
extern BYTE g_bFolderPhase;
