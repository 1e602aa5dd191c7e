// norrava-mci: the media layer on the command line. One command per input
// line, one output line per command.
#include "mcisession.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kHelp[] = "Usage: norrava-mci [--help]\n"
                     "\n"
                     "Reads media commands from standard input, one per line, and writes one\n"
                     "line per command to standard output: the reply (an empty line when the\n"
                     "command has none) or 'error <code>: <text>'. Blank lines and lines\n"
                     "starting with '#' are skipped. Every device still open is closed at the\n"
                     "end of input. Set NORRAVA_AUDIO=null to play without sound output.\n"
                     "\n"
                     "Examples:\n"
                     "  open \"/home/me/clip one.mp4\" alias z\n"
                     "  set z time format frames\n"
                     "  status z length\n"
                     "  seek z to 120 wait\n"
                     "  capture z as \"/tmp/frame120.bmp\"\n"
                     "  play z from 0 to 250 wait\n"
                     "  status z mode\n"
                     "  close all\n"
                     "\n"
                     "Which device opens a file follows its extension, from the\n"
                     "[mci extensions] section of norrava/win.ini in $XDG_CONFIG_HOME or\n"
                     "/etc/xdg, else a built-in list; 'type <device>' overrides it.\n"
                     "\n";

// "Commands: open, close, ...", from the layer's own table, in lines of at
// most 72 characters.
std::string commandList()
{
    std::string text, line = "Commands:";
    const std::vector<std::string_view> verbs = mci::knownVerbs();
    for (size_t i = 0; i < verbs.size(); ++i) {
        const std::string word = std::string(verbs[i]) + (i + 1 < verbs.size() ? "," : ".");
        if (line.size() + 1 + word.size() > 72) {
            text += line + "\n";
            line.clear();
        } else {
            line += ' ';
        }
        line += word;
    }
    return text + line + "\n";
}

std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

bool skipped(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            std::fputs(commandList().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "norrava-mci: unknown option '%s' (try --help)\n", argv[i]);
        return 2;
    }

    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (skipped(line))
            continue;
        std::string reply;
        const int code = mci::sendString(line, &reply);
        if (code == mci::Ok)
            std::printf("%s\n", oneLine(reply).c_str());
        else
            std::printf("error %d: %s\n", code, oneLine(reply.empty() ? mci::errorText(code) : reply).c_str());
        std::fflush(stdout);
    }
    mci::sendString("close all", nullptr);
    return 0;
}
