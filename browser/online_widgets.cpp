#include "browser/online_widgets.h"

#include "core/app_files.h"

OnlineHeadTabWidget::OnlineHeadTabWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(34);
    setImage(appfiles::path("/image/btn_bg.png"));
}

OnlineHeadToolWidget::OnlineHeadToolWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(40);
    setImage(appfiles::path("/image/2222.png"));
}

OnlineBottomWidget::OnlineBottomWidget(QWidget* parent) : QImageWidget(parent) {
    setImage(appfiles::path("/image/bg_white.png"));
}
