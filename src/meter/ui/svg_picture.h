#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QSvgRenderer;

/// A picture of the layout, drawn from an SVG resource stretched over the
/// widget. Transparent where the picture is. The SVG is rendered once per
/// size and kept, since pictures such as the link icon repaint often.
/// A left click emits clicked().
class SvgPicture : public QWidget {
    Q_OBJECT
public:
    /// @param resource path of the SVG, for example ":/pictures/battery.svg"
    explicit SvgPicture(const QString& resource, QWidget* parent = nullptr);

    /// Whether the SVG could be read.
    bool isValid() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSvgRenderer* renderer_;
    QPixmap rendered_;
};
