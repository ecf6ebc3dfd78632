#include "browser/online_widgets.h"

#include "widgets/skin_paths.h"

OnlineHeadTabWidget::OnlineHeadTabWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(34);
    setImage(widgets::appFile("/image/btn_bg.png"));
}

OnlineHeadToolWidget::OnlineHeadToolWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(40);
    setImage(widgets::appFile("/image/2222.png"));
}

OnlineBottomWidget::OnlineBottomWidget(QWidget* parent) : QImageWidget(parent) {
    setImage(widgets::appFile("/image/bg_white.png"));
}
