// tarnhost: the stand-in CAD host on a console or a script. See host/README.md.
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "host/host.h"

namespace {

const char* kUsage =
    "usage: tarnhost [options] [--script FILE]\n"
    "  --script FILE        run the commands of FILE, then quit (exit status 1 at the first command that\n"
    "                       fails or answer that is refused)\n"
    "  --home DIR           folder for the folders below (default ~/.tarnhost)\n"
    "  --module-folder DIR  where loaded modules are kept (default HOME/modules)\n"
    "  --temp DIR           the temporary folder (default HOME/temp)\n"
    "  --appdata DIR        the local application-data folder (default HOME/appdata)\n"
    "  --load MODULE        load an application at start (repeatable)\n"
    "  --open DRAWING       open a drawing at start instead of a new one\n"
    "  --no-map             do not run the simulated map application\n";

}  // namespace

int main(int argc, char** argv) {
    tarnhost::HostOptions options;
    options.realClock = true;
    options.out = &std::cout;
    std::string script;
    std::string open;
    std::vector<std::string> modules;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                std::cerr << "tarnhost: " << arg << " needs a value\n" << kUsage;
                std::exit(2);
            }
            into = argv[++i];
        };
        if (arg == "--script") {
            value(script);
        } else if (arg == "--home") {
            value(options.home);
        } else if (arg == "--module-folder") {
            value(options.moduleFolder);
        } else if (arg == "--temp") {
            value(options.tempFolder);
        } else if (arg == "--appdata") {
            value(options.localAppDataFolder);
        } else if (arg == "--load") {
            modules.emplace_back();
            value(modules.back());
        } else if (arg == "--open") {
            value(open);
        } else if (arg == "--no-map") {
            options.startMap = false;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << "tarnhost: unknown option " << arg << "\n" << kUsage;
            return 2;
        }
    }
    options.newDrawing = open.empty();

    tarnhost::Host host;
    std::string error;
    if (!host.Start(options, &error)) {
        std::cerr << "tarnhost: " << error << "\n";
        return 1;
    }
    if (!open.empty() && host.OpenDrawing(open, &error) == nullptr) {
        std::cerr << "tarnhost: " << error << "\n";
        return 1;
    }
    for (const std::string& module : modules) {
        if (!host.LoadModule(module, &error)) {
            std::cerr << "tarnhost: " << error << "\n";
            return 1;
        }
    }
    host.Idle();

    tarnhost::ScriptSource file;
    tarnhost::TerminalSource terminal(STDIN_FILENO, [&host] {
        host.Idle();
        return !host.QuitRequested() && host.Started();
    });
    tarnhost::LineSource* source = &terminal;
    if (script.empty()) {
        tarnhost::InstallInterruptHandler();  // Ctrl-C cancels the prompt, never the unsaved drawings
    }
    if (!script.empty()) {
        if (!file.Open(script, &error)) {
            std::cerr << "tarnhost: " << error << "\n";
            return 1;
        }
        source = &file;
    }
    int status = 0;
    if (!host.RunLines(*source, !script.empty(), &error)) {
        std::cerr << "\ntarnhost: " << script << " " << error << "\n";
        status = 1;
    }
    if (host.Checks().failed > 0) {
        status = 1;  // a CHECK that did not hold fails the run, summed up or not
    }
    host.Stop();
    std::cout << "\n";
    return status;
}
