// What a user does in Ombrisk's editor and what must come of it, wherever the built editor
// runs: the picture as it opens, a drag of a fader, a short click and a short Alt+click.
#include "EditorSessions.h"

const std::vector<EditorSession>& editorSessions()
{
    static const std::vector<EditorSession> sessions = {
        {"Untouched", "", "10", {}, 0},
        // The feedback fader's handle (value 0.5) is drawn from row 68; pulled up 30 rows. A slow
        // editor may see fewer of the steps, but always the last.
        {"DragOfTheFeedbackFader", "move 72 70\npress\nmove 72 60\nmove 72 50\nmove 72 40\nrelease\n", "10",
         {{1, 0.5f + 30.0f / 72.0f}}, anyReports},
        // A short click on the reverse button, which is off in a fresh instance.
        {"ShortClickOnTheReverseButton", "move 170 52\npress\nrelease\n", "10", {{6, 1.0f}}, 1},
        // Down and up again 5 ms later, away from the volume fader's handle (volume 1 is at the
        // top): the volume's default. The pause before Alt: see EditorSessions.h.
        {"ShortAltClickOnTheVolumeFader", "move 124 90\nwait 200\nkeydown alt\npress\nrelease\nkeyup alt\n", "5",
         {{2, 0.75f}}, 1},
    };
    return sessions;
}
