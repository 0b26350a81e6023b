// tarnhost: the stand-in CAD host. One Host per process (the platform's state is process-wide): it owns the
// document set, the host's own commands, the loaded modules, the console user and the simulated map
// application. tarnhost's main is a thin loop over it; end-to-end tests drive it in-process.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/console.h"
#include "host/modules.h"
#include "mapsim/mapsim.h"
#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acap/commands.h"

namespace tarnhost {

struct HostOptions {
    // Folders. Empty ones lie under home: <home>/modules, <home>/temp, <home>/appdata; an empty home is
    // ~/.tarnhost. They are kept between runs, so the plug-in's settings survive.
    std::string home;
    std::string moduleFolder;  // loaded modules are copied here: the plug-in's own folder
    std::string tempFolder;
    std::string localAppDataFolder;
    bool startMap = true;         // run the simulated map application in-process
    bool newDrawing = true;       // start with an empty drawing, as the host does
    bool realClock = false;       // tarnhost runs on the real clock; tests keep the virtual one
    bool console = true;          // install the console UI driver (tests may install their own instead)
    std::ostream* out = nullptr;  // where the command line and the console user's view go; null: nowhere
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Prepares the folders, installs the console driver and the host's commands, starts the map
    // application and opens the first drawing. False (with *error) when a folder cannot be made.
    bool Start(const HostOptions& options, std::string* error = nullptr);
    // What QUIT does after its command: closes every drawing, unloads every module, stops the map.
    void Stop();
    bool Started() const { return m_started; }
    bool QuitRequested() const { return m_quit; }
    // QUIT's body: the host stops once the line that quit has run.
    void RequestQuit() { m_quit = true; }
    const HostOptions& Options() const { return m_options; }

    // Drawings. OpenDrawing reads a drawing file (host or Windows path) into a new document, or activates
    // the document that has it open already; null (with *error) when it cannot be read.
    AcApDocument* NewDrawing();
    AcApDocument* OpenDrawing(const std::string& path, std::string* error = nullptr);
    AcApDocument* Document() const;
    AcDbDatabase* Drawing() const;
    // The file the document was last opened from or saved to (Windows form); empty for a new drawing.
    std::u16string FileNameOf(AcApDocument* doc) const;
    // The open document other than `except` whose file is that one (as the file system sees it), or null.
    AcApDocument* DocumentHolding(const std::u16string& windowsPath, AcApDocument* except) const;
    void NoteSaved(AcApDocument* doc, const std::u16string& windowsPath);

    // One line as typed on the console: a command and answers to its prompts separated by blanks, or a
    // console directive (MAPSIM ..., DELAY ms). Then the host goes idle once (sent strings, pump). Returns
    // the outcome of the last command of the line.
    platform::CommandOutcome Run(const std::string& line);
    // Runs the source's lines as typed on the console (prompts take their answers from the same source)
    // until the lines end or QUIT. With stopOnFailure it stops at the first command that fails or is
    // unknown and returns false with *error naming the line.
    bool RunLines(LineSource& source, bool stopOnFailure, std::string* error = nullptr);
    // Lines for the prompts, message boxes and dialogs ahead (taken before the console's own source).
    void Answer(const std::string& line);
    // The host's idle work: strings sent for execution (not while a command runs), then the pump.
    void Idle();
    // Lets time pass: the virtual clock advances; on the real clock the loop pumps until then.
    void Wait(uint64_t ms);

    // Modules (see modules.h). Load copies the file into the module folder first.
    bool LoadModule(const std::string& path, std::string* error = nullptr);
    bool UnloadModule(const std::string& name, std::string* error = nullptr);
    ModuleSet& Modules() { return m_modules; }

    mapsim::MapSim& MapSim() { return *m_map; }
    // The CHECK lines run since the start.
    struct CheckCount {
        int passed = 0;
        int failed = 0;
    };
    CheckCount& Checks() { return m_checks; }
    ConsoleUi& Console() { return m_console; }
    // Writes what the command line printed since the last flush to the output.
    void FlushOutput();

private:
    class DocReactor;

    platform::CommandOutcome RunTokens(const std::u16string& text);
    bool RunDirective(const std::string& line, platform::CommandOutcome& outcome);
    bool CloseCurrent();
    void DefineCommands();
    void RemoveCommands();

    HostOptions m_options;
    bool m_started = false;
    bool m_quit = false;
    int m_busy = 0;                // lines running: sent strings wait until the host is idle
    bool m_stopOnRefusal = false;  // a script runs: a refused answer fails its command
    ConsoleUi m_console;
    ModuleSet m_modules;
    std::unique_ptr<mapsim::MapSim> m_map;
    std::unique_ptr<DocReactor> m_docReactor;
    std::vector<std::u16string> m_commandNames;
    size_t m_printed = 0;
    CheckCount m_checks;
};

// The host, once started (commands reach it through this); null otherwise.
Host* CurrentHost();

}  // namespace tarnhost
