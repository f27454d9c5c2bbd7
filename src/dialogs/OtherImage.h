#pragma once
#include <QIcon>
#include <QImage>
#include <QWidget>

// A 17 x 17 picture box that is drawn on like a canvas. Its picture may be
// empty (nothing drawn yet); the first drawing makes a 17 x 17 canvas of the
// button-face colour.
class ImageBox : public QWidget {
public:
    static constexpr int Side = 17;

    explicit ImageBox(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    bool isEmpty() const { return m_picture.isNull(); }
    void setPicture(const QImage& image);

    // Brush and pen of the button-face colour over the whole picture.
    void fillButtonFace();
    // An opaque copy of `source` at (0, 0), cut at the canvas; an empty source
    // draws nothing and leaves the picture as it was.
    void drawOpaque(const QImage& source);
    // The icon scaled to 17 x 17 and drawn with its transparency, so that its
    // transparent pixels keep what is under them.
    void drawIcon(const QIcon& icon);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage& canvas();
    QImage m_picture;
};

namespace OtherImage {
// The folder buttons' small yellow folder, 14 x 15.
// The icon as a 17 x 17 picture with transparency (null for a null icon).
QImage iconImage(const QIcon& icon);
}
