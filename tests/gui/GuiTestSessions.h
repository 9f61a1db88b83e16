// What a user does with the test plug-in's text field and popup choice through plughost
// editor, and the texts they tell (the plug-in writes them to GUI_TEST_PLUGIN_LOG).
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct TextSession {
    const char* name;   // a test name
    const char* script; // plughost editor's --script
    std::vector<std::string> told; // "tag:text", in order
};

const std::vector<TextSession>& textSessions();

// gtest names a session by its name.
inline void PrintTo(const TextSession& session, std::ostream* out)
{
    *out << session.name;
}

// gtest expectations: plughost editor (or a launcher of the Windows one) runs the session in
// the test plug-in's editor, which tells the session's texts and reaches the host with no
// automation.
void expectTextSession(const TextSession& session, const std::string& plughost, const std::string& plugin);
