#pragma once

#include <QPushButton>

namespace zelvora {

// A push button whose caption wraps onto a second line when it is wider than
// the button, as the main window's long captions need to. The buttons keep
// the size the layout gives them, so where the desktop's font, its scaling
// or its style's padding leave too little room, the caption's font is made
// just small enough for the caption to fit whole, on at most two lines.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    WrappingButton(const QString& text, QWidget* parent);

    static constexpr int kMaxLines = 2;

    // The room the style leaves for the caption, and the font it is drawn in.
    QRect CaptionArea() const;
    QFont CaptionFont() const;
    // Whether `text` fits `area` in `font`, on at most kMaxLines lines.
    bool CaptionFits(const QFont& font, const QRect& area) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zelvora
