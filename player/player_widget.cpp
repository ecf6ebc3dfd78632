#include "player/player_widget.h"

#include <QIcon>

#include "core/app_files.h"
#include "core/product.h"

namespace {
PlayerWidget* g_player = nullptr;
}

PlayerWidget::PlayerWidget() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(product::displayName() + " Player");
    setWindowIcon(QIcon(appfiles::path("/image/IPAD_128.png")));
    resize(990, 650);
}

PlayerWidget::~PlayerWidget() {
    g_player = nullptr;
}

PlayerWidget* PlayerWidget::instance() {
    if (!g_player)
        g_player = new PlayerWidget();
    return g_player;
}

bool PlayerWidget::exists() {
    return g_player != nullptr;
}

void PlayerWidget::destroyInstance() {
    delete g_player;
}
