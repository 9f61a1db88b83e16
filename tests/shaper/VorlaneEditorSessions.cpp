// What a user does in Vorlane's editor and what must come of it, wherever the built editor
// runs: the picture as it opens and an Alt drag of a dial.
#include "EditorSessions.h"

const std::vector<EditorSession>& editorSessions()
{
    static const std::vector<EditorSession> sessions = {
        {"Untouched", "", "10", {}, 0},
        // With Alt held the older dial follows the mouse linearly, a hundredth of its range per
        // pixel: 30 rows up from 0.5. The pause before Alt: see EditorSessions.h.
        {"AltDragOfADial", "move 130 93\nwait 200\nkeydown alt\npress\nmove 130 78\nmove 130 63\nwait 60\nrelease\nkeyup alt\n",
         "10", {{1, 0.8f}}, anyReports},
    };
    return sessions;
}
