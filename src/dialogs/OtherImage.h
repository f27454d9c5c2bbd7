#pragma once
#include <QIcon>
#include <QImage>
#include <QWidget>

// A 17 x 17 picture box that shows a slot's picture (see AppSlots for how
// pictures are drawn on); an empty picture shows nothing.
// A screen reader sees it as a picture, named by the window that shows it.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int Side = 17;

    explicit ImageBox(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

namespace OtherImage {
// The icon as a 17 x 17 picture with transparency (null for a null icon).
QImage iconImage(const QIcon& icon);
}
