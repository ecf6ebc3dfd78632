#include "browser/online_head_tool_widget.h"

#include "browser/web_address.h"
#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

namespace {

OnlineHeadToolWidget* g_instance = nullptr;

constexpr int kMargin = 6;
constexpr int kGap = 4;

}  // namespace

OnlineHeadToolWidget* OnlineHeadToolWidget::instance(QWidget* parent) {
    if (!g_instance)
        g_instance = new OnlineHeadToolWidget(parent);
    return g_instance;
}

OnlineHeadToolWidget* OnlineHeadToolWidget::existing() {
    return g_instance;
}

OnlineHeadToolWidget::~OnlineHeadToolWidget() {
    if (g_instance == this)
        g_instance = nullptr;
}

OnlineHeadToolWidget::OnlineHeadToolWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(40);
    setImage(appfiles::path("/image/2222.png"));
    auto button = [this](const char* name, const char* image) {
        auto* b = new QImageButton(this);
        b->setObjectName(name);
        b->setImage(appfiles::path(image));
        return b;
    };
    m_btnHome = button("m_btnHome", "/image/online_home.png");
    m_btnPrev = button("m_btnPrev", "/image/online_prev.png");
    m_btnNext = button("m_btnNext", "/image/online_next.png");
    m_btnRefresh = button("m_btnRefresh", "/image/online_refresh.png");
    m_btnCopy = button("m_btnCopy", "/image/online_copy.png");
    m_btnGo = button("m_btnGo", "/image/online_go.png");
    m_btnHome->setToolTip("Home");
    m_btnPrev->setToolTip("Back");
    m_btnNext->setToolTip("Forward");
    m_btnRefresh->setToolTip("Refresh");
    m_btnCopy->setToolTip("Copy the address");
    m_lineEditAddress = new QLineEdit(this);
    m_lineEditAddress->setObjectName("m_lineEditAddress");
    m_lineEditAddress->setFixedHeight(26);
    m_btnPrev->setEnabled(false);
    m_btnNext->setEnabled(false);

    connect(m_btnHome, &QPushButton::clicked, this, &OnlineHeadToolWidget::OnHomePage);
    connect(m_btnPrev, &QPushButton::clicked, this, &OnlineHeadToolWidget::OnPrevPage);
    connect(m_btnNext, &QPushButton::clicked, this, &OnlineHeadToolWidget::OnAfterPage);
    connect(m_btnRefresh, &QPushButton::clicked, this, &OnlineHeadToolWidget::OnRefreshPage);
    connect(m_btnCopy, &QPushButton::clicked, this, &OnlineHeadToolWidget::OnCopyUrl);
    connect(m_btnGo, &QPushButton::clicked, this, &OnlineHeadToolWidget::OpenAddressRUL);
    connect(m_lineEditAddress, &QLineEdit::returnPressed, this,
            &OnlineHeadToolWidget::OpenAddressRUL);
}

void OnlineHeadToolWidget::resizeEvent(QResizeEvent* event) {
    QImageWidget::resizeEvent(event);
    int x = kMargin;
    for (QImageButton* b : {m_btnHome, m_btnPrev, m_btnNext, m_btnRefresh}) {
        b->move(x, (height() - b->height()) / 2);
        x += b->width() + kGap;
    }
    int right = width() - kMargin;
    for (QImageButton* b : {m_btnGo, m_btnCopy}) {
        right -= b->width();
        b->move(right, (height() - b->height()) / 2);
        right -= kGap;
    }
    m_lineEditAddress->setGeometry(x + kGap, (height() - m_lineEditAddress->height()) / 2,
                                   qMax(40, right - x - 2 * kGap), m_lineEditAddress->height());
}

QString OnlineHeadToolWidget::addressText() const {
    return m_lineEditAddress->text();
}

void OnlineHeadToolWidget::setAddressText(const QString& text) {
    m_lineEditAddress->setText(text);
    m_lineEditAddress->setCursorPosition(0);
}

void OnlineHeadToolWidget::setPrevEnabled(bool enabled) {
    m_btnPrev->setEnabled(enabled);
}

void OnlineHeadToolWidget::setNextEnabled(bool enabled) {
    m_btnNext->setEnabled(enabled);
}

void OnlineHeadToolWidget::OnAfterPage() {
    emit emitAfterPage();
}
void OnlineHeadToolWidget::OnHomePage() {
    emit emitHomePage();
}
void OnlineHeadToolWidget::OnPrevPage() {
    emit emitPrevPage();
}
void OnlineHeadToolWidget::OnRefreshPage() {
    emit emitRefreshPage();
}

void OnlineHeadToolWidget::OpenAddressRUL() {
    const QString typed = m_lineEditAddress->text();
    const webaddress::Normalised result = webaddress::normalise(typed);
    switch (result.verdict) {
        case webaddress::Verdict::Ignored:
            return;
        case webaddress::Verdict::Refused:
            showMessage(webaddress::refusalMessage(typed), {}, msg::kIcon | msg::kWarning);
            return;
        case webaddress::Verdict::Loadable:
            emit emitLoadUrl(result.address);
            return;
    }
}

void OnlineHeadToolWidget::OnCopyUrl() {
    QGuiApplication::clipboard()->setText(m_lineEditAddress->text());
}
