#pragma once

#include "meter/analog_dial.h"

#include <QImage>
#include <QWidget>

#include <vector>

/// KD1, the drawing surface of the analog dial: a picture that keeps what
/// was drawn on it, as a canvas does. The first drawing creates a white
/// picture of the widget's size.
class DialPicture : public QWidget {
    Q_OBJECT
public:
    explicit DialPicture(QWidget* parent = nullptr);

    /// Draws the requests in order onto the picture and repaints.
    void draw(const std::vector<DialDrawing>& drawings);

    /// The picture as drawn so far (null before the first drawing).
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawScale(QPainter& painter, const DialScale& scale);
    static void drawLine(QPainter& painter, const DialNeedle& needle, const QColor& colour);

    QImage picture_;
};
