// The host's own commands, as a table the host defines in the command runner, and the pieces they share.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/arx/acap/commands.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbstatus.h"

namespace tarnhost {

class Host;

using CommandTable = std::vector<std::pair<std::u16string, platform::CommandBody>>;

// Drawing and editing (drawcmds.cpp), files, applications and QUIT (filecmds.cpp), listings (listcmds.cpp).
CommandTable DrawingCommands();
// BLOCK and -INSERT (blockcmds.cpp).
CommandTable BlockCommands();
CommandTable FileCommands(Host& host);
CommandTable ListingCommands();
CommandTable HostCommandTable(Host& host);

// "MAPSIM <what> ..." on the console (mapcmds.cpp).
bool MapSimDirective(Host& host, const std::string& args);
// "CHECK ..." on the console: asserts the drawing's or the map application's state (checkcmds.cpp).
bool CheckDirective(Host& host, const std::string& args);
// A text as the map application holds it, for showing (mapcmds.cpp).
std::u16string FromMapText(const std::string& text);
// "TOOLBAR ..." on the console: list the toolbars, press a button, dock or float (toolbarcmds.cpp).
bool ToolBarDirective(Host& host, const std::string& args);

// The message for a drawing that could not be read.
std::string DrawingReadError(Acad::ErrorStatus es, const std::string& path);
// Why a drawing file (Windows form) cannot be read or written, said before trying: "file name too long",
// "no such folder", "it is a folder"; empty when nothing stands in the way.
std::string PathProblem(const std::u16string& windowsPath);

// Shared by the commands.
// An input status that ends the command: Esc cancels it, an answer that could not be taken fails it,
// anything else (Enter) ends it quietly.
platform::CommandOutcome Ended(int status);
// A text answer of at most `limit` characters (cronly as acedGetString). A longer answer is refused with a
// message and RTERROR, so the command fails instead of ending as if nothing had been typed.
std::u16string AskString(int cronly, const ACHAR* prompt, size_t limit, int& rc);
// Appends to model space of the working drawing (which takes the current layer and settings); the entity
// is deleted on failure. Null id on failure.
AcDbObjectId AppendToModelSpace(AcDbEntity* entity);
// Entities for an editing command: the pick-first selection when there is one (it is used up), else the
// user's answer to "Select objects: ". False when the user cancelled or selected nothing.
// The outcome (when false) is kCancelled for Esc, kFailed for an answer that names no entity, else kEnded.
bool SelectEntities(std::vector<AcDbObjectId>& ids, platform::CommandOutcome& outcome);
// The entity's kind as DUMP names it: LINE, CIRCLE, IMAGE, ..., or the class name of other kinds.
std::u16string EntityKind(const AcDbEntity* entity);
// One line describing an entity: its class, handle, layer and geometry.
std::u16string DescribeEntity(const AcDbEntity* entity);
// Model space's live entities in drawing order.
std::vector<AcDbObjectId> ModelSpaceIds(AcDbDatabase* db);

}  // namespace tarnhost
