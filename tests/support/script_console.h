// A scripted PDU console for the memory device: echoes like the real one, asks for the
// password while logged out, and answers each command line from a table.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::test {

struct ScriptConsole {
    bool loggedIn = true;
    bool acceptPassword = true;
    int ignoreEmptyLines = 0;  // the next N bare CRs get no answer at all
    std::map<std::string, std::string> answers;  // line without CR -> bytes after the echo
    std::string partial;
    int passwordPrompts = 0;

    std::string operator()(const std::string& chunk) {
        std::string out;
        for (char c : chunk) {
            if (c == '\x1b') {
                partial.clear();
                continue;
            }
            out.push_back(c);
            if (c != '\r') {
                partial.push_back(c);
                continue;
            }
            std::string line;
            line.swap(partial);
            if (!loggedIn) {
                if (line == "Kel Voran" && acceptPassword) {
                    loggedIn = true;
                    out += "\r\n?";
                } else {
                    ++passwordPrompts;
                    out += "\r\nPassword: ";
                }
            } else if (line.empty()) {
                if (ignoreEmptyLines > 0) {
                    --ignoreEmptyLines;
                } else {
                    out += "\r\n?";
                }
            } else if (auto it = answers.find(line); it != answers.end()) {
                out += it->second;
            } else {
                out += "\r\nUnknown command\r\n?";
            }
        }
        return out;
    }
};

// Answers the memory line with console, noting every command line it receives (without its
// CR) in lines.
template <typename Line>
void answerAndRecord(Line& line, const std::shared_ptr<ScriptConsole>& console,
                     std::vector<std::string>* lines) {
    line.responder = [console, lines](const std::string& chunk) {
        std::string out = (*console)(chunk);
        if (chunk.size() > 1 && chunk.back() == '\r' && chunk[0] != '\x1b') {
            lines->push_back(chunk.substr(0, chunk.size() - 1));
        }
        return out;
    };
}

// The bytes that follow the echo of a query answered with text.
inline std::string queryAnswer(const std::string& text) { return "\r\n" + text + "\r\n?"; }

}  // namespace quorvel::test
