#include "online_widgets.h"

#include <QHash>
#include <QPainter>

#include "widgets/skin_paths.h"

namespace {

void paintStretched(QWidget* widget, const char* image) {
    static QHash<QString, QPixmap> cache;
    const QString path = widgets::appFile(image);
    if (!cache.contains(path))
        cache.insert(path, QPixmap(path));
    QPainter painter(widget);
    painter.drawPixmap(widget->rect(), cache.value(path));
}

}  // namespace

OnlineHeadTabWidget::OnlineHeadTabWidget(QWidget* parent) : QWidget(parent) {
    setFixedHeight(34);
}

void OnlineHeadTabWidget::paintEvent(QPaintEvent*) {
    paintStretched(this, "/image/btn_bg.png");
}

OnlineHeadToolWidget::OnlineHeadToolWidget(QWidget* parent) : QWidget(parent) {
    setFixedHeight(40);
}

void OnlineHeadToolWidget::paintEvent(QPaintEvent*) {
    paintStretched(this, "/image/2222.png");
}

OnlineBottomWidget::OnlineBottomWidget(QWidget* parent) : QWidget(parent) {}

void OnlineBottomWidget::paintEvent(QPaintEvent*) {
    paintStretched(this, "/image/bg_white.png");
}
