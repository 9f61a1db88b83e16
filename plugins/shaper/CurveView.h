// The square in the middle of Vorlane's editor where the user draws the transfer curve: the
// curve over a background picture with a mark on every control point. A left click selects the
// point under the mouse or inserts one, a drag moves it between its neighbours, a right click
// removes an interior point; the listener is told once at the end of each interaction.
#pragma once

#include "ShaperCurve.h"
#include "gui/classic/ValueWidget.h"

#include <array>
#include <atomic>
#include <memory>

namespace gui {
class OffscreenPort;
}  // namespace gui

class CurveView : public gui::classic::ValueWidget, private CurveObserver {
public:
    static constexpr int curveSteps = 200;
    static constexpr int inset = 4;

    // Editor thread. graphPicture: the image's background and size; pointPicture: the mark on
    // each point. Both are retained. Attaches itself to the curve.
    CurveView(const gui::Rect& size, gui::ValueListener* listener, std::int32_t tag, gui::Picture* graphPicture,
              gui::Picture* pointPicture, ShaperCurve& curve);
    // Editor thread: detaches itself from the curve first.
    ~CurveView() override;

    // Editor thread.
    void draw(gui::DrawPort& port) override;
    // Once its image exists, which draw copies whole.
    bool coversRect() const override;
    void mouse(gui::DrawPort& port, gui::Point where) override;
    // Also dirty when the curve was replaced from outside since the last draw.
    bool isDirty() const override;
    // Always 0: the listener sets parameter 0, which only rebuilds the table.
    float getValue() const override;

    // Image pixel of a curve point; curve point of a window pixel.
    gui::Point toPixel(CurvePoint p) const;
    CurvePoint toCurve(gui::Point window) const;
    // Draws the curve into the image (or, before the first draw, only marks the view dirty).
    void render();

    // The interaction's steps, in curve coordinates; false where the interaction ends unheard.
    bool pickOrAddPoint(CurvePoint at);
    bool dragSelected(CurvePoint at);
    void releasePoint();
    bool removePointAt(CurvePoint at);

    int getSelected() const { return selected; }
    const gui::OffscreenPort* getImage() const { return image.get(); }

private:
    // Host thread (a chunk loaded), with the curve locked for writing: only take note; the
    // editor thread renders.
    void curveChanged() override;
    void insertPoint(ShaperCurve::Edit& edit, CurvePoint at);

    ShaperCurve& curve;
    gui::HeldPicture graphPicture;
    gui::HeldPicture pointPicture;
    float spanLeft, spanTop, spanRight, spanBottom;
    std::array<CurvePoint, curveSteps> splineSamples{};
    int selected = -1;
    std::unique_ptr<gui::OffscreenPort> image;
    // Set by whoever replaced the points: the image is stale, and a drag in progress ends.
    std::atomic<bool> replaced{false};
    std::atomic<bool> imageStale{false};
};
