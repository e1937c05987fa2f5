#pragma once

#include <QLabel>

class QFontMetrics;

// Shortens a path to fit width pixels while keeping its file name: the folders are cut in the
// middle ("C:\Program Fi…\MSHV_274.exe"); a file name that alone is too wide keeps its end
// ("…SHV_274.exe"). A path that fits is returned as it is.
QString ElidePath(const QString& path, const QFontMetrics& metrics, int width);

// A read-only path box: text() is always the whole path (and so is the tooltip), while the box
// shows it shortened by ElidePath to the room it has.
class PathLabel : public QLabel
{
public:
    explicit PathLabel(QWidget* parent = nullptr);

    void setPath(const QString& path);
    // What the box shows at its present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Room between the border and the text on each side, as QLabel leaves it.
    int inset() const;
};
