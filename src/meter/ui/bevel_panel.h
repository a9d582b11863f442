#pragma once

#include <QColor>
#include <QWidget>

/// A panel in the look of the layout: an outer and an inner bevel (each
/// raised, lowered or none) with a border between them, a background
/// colour and an optional centred caption. Children are placed relative to
/// the panel's top-left corner, bevels included. Clicking emits clicked().
class BevelPanel : public QWidget {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit BevelPanel(QWidget* parent = nullptr);

    void setBevels(Bevel outer, Bevel inner, int bevelWidth = 1, int borderWidth = 0);
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setCaptionColor(const QColor& color);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Bevel outer_ = Bevel::Raised;
    Bevel inner_ = Bevel::None;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    QColor color_;
    QString caption_;
    QColor captionColor_ = Qt::black;
};
