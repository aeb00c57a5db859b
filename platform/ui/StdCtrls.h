// Text and button controls of the windows: labels (plain, word-wrapped anti-aliased, link) and
// the flat colour button.
#pragma once
#include "platform/ui/Controls.h"

namespace ui {

// A caption drawn by the parent. AutoSize fits the bounds to the text (single line, or the
// wrapped height for the current width when WordWrap is on).
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner = nullptr);
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& c);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    void Paint(TCanvas& canvas) override;
    // Fits the bounds to the caption now (AutoSize does it after every change).
    void AdjustBounds();

protected:
    void FontChanged() override;
    UINT TextFormat() const;
    std::wstring FCaption;
    bool FAutoSize = true;
    bool FWordWrap = false;
};

// Word-wrapped text drawn with anti-aliasing.
class TAAText : public TLabel {
public:
    explicit TAAText(TComponent* owner = nullptr);
};

// An underlined link: hand cursor, and a click opens its address through the shell.
class TURLLabel : public TLabel {
public:
    explicit TURLLabel(TComponent* owner = nullptr);
    std::wstring URL;
    void Click() override;
};

// Opens a document or address with the shell's "open" verb. Replaceable, so that tests can see
// what would be opened without starting a browser.
using TShellOpen = std::function<void(const std::wstring& target)>;
void SetShellOpen(TShellOpen fn);
void ShellOpen(const std::wstring& target);

// A flat button in one colour with a centred caption; it lightens under the pointer and darkens
// while pressed, takes the keyboard focus and clicks on Space and Enter.
class TColorButton : public TCustomControl {
public:
    explicit TColorButton(TComponent* owner = nullptr);
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& c);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseLeave() override;

protected:
    void CreateParams(TCreateParams& p) override;
    void PaintBackground(TCanvas& canvas) override;
    std::wstring FCaption;
    bool FHot = false;
    bool FPressed = false;
    bool FFocused = false;
};

}  // namespace ui
