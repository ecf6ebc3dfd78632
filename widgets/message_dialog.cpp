#include "widgets/message_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>

#include "core/app_files.h"
#include "core/product.h"
#include "widgets/image_button.h"

namespace {

constexpr int kWidth = 380;
constexpr int kTopHeight = 44;
constexpr int kBottomHeight = 56;
constexpr int kPadding = 20;
constexpr int kIconSide = 40;

QPixmap loadPic(const QString& name) {
    return QPixmap(appfiles::path(name));
}

}  // namespace

QMessageDlg::QMessageDlg(QWidget* parent) : QImageDialog(parent), m_title(product::displayName()) {
    setDragHeight(kTopHeight);
    m_btnOk = new QImageButton(this);
    m_btnCancel = new QImageButton(this);
    m_btnClose = new QImageButton(this);
    m_btnOk->setObjectName("m_btnOk");
    m_btnCancel->setObjectName("m_btnCancel");
    m_btnClose->setObjectName("m_btnClose");
    m_btnClose->setToolTip(tr("Close"));
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_btnOk, &QPushButton::clicked, this, &QMessageDlg::OnBtnOk);
    connect(m_btnCancel, &QPushButton::clicked, this, &QMessageDlg::OnBtnCancel);
    connect(m_btnClose, &QPushButton::clicked, this, &QMessageDlg::OnBtnCancel);
}

void QMessageDlg::reportMissing(const QString& what) {
    QMessageBox::warning(nullptr, m_title, what);
}

bool QMessageDlg::loadImages() {
    if (!m_btnClose->setImage(appfiles::path("\\pic\\button_close.png"))) {
        reportMissing("QMessageDlg::InitButton fail");
        return false;
    }
    struct Pair {
        const char* first;
        const char* second;
        const char* failure;
    };
    const Pair pair = (m_flags & msg::kRestart)
                          ? Pair{"\\pic\\button_Restart.png", "\\pic\\button_Restart_later.png",
                                 "QMessageDlg::InitButton Load Restart Image fail"}
                      : (m_flags & msg::kYesNo)
                          ? Pair{"\\pic\\button_yes.png", "\\pic\\button_no.png",
                                 "QMessageDlg::InitButton Load Yes Image fail"}
                          : Pair{"\\pic\\button_ok.png", "\\pic\\button_cancel.png",
                                 "QMessageDlg::InitButton Load Cancel Image fail"};
    if (!m_btnOk->setImage(appfiles::path(pair.first)) ||
        !m_btnCancel->setImage(appfiles::path(pair.second))) {
        reportMissing(pair.failure);
        return false;
    }
    m_top = loadPic("\\pic\\message_top.png");
    m_bottom = loadPic("\\pic\\message_bottom.png");
    m_left = loadPic("\\pic\\message_line_left.png");
    m_right = loadPic("\\pic\\message_line_right.png");
    if (m_top.isNull() || m_bottom.isNull() || m_left.isNull() || m_right.isNull()) {
        reportMissing("QMessageDlg::LoadBorderImg fail");
        return false;
    }
    m_titleIcon = loadPic("\\pic\\icon.png");
    if (m_titleIcon.isNull()) {
        reportMissing("QMessageDlg::LoadTitleIconImg fail");
        return false;
    }
    m_kindIcon = QPixmap();
    if (m_flags & msg::kIcon) {
        switch (m_flags & msg::kIconMask) {
            case msg::kWarning:
                m_kindIcon = loadPic("\\pic\\warning.png");
                break;
            case msg::kSuccess:
                m_kindIcon = loadPic("\\pic\\Success.png");
                break;
            case msg::kError:
                m_kindIcon = loadPic("\\pic\\error.png");
                break;
            default:
                break;
        }
    }
    return true;
}

// The dialog is as tall as its wrapped message needs: title band, body,
// button band.
void QMessageDlg::layOut() {
    QFont textFont = font();
    textFont.setPixelSize(12);
    m_text->setFont(textFont);
    m_text->setText(m_message);
    m_text->setStyleSheet("color: rgb(31, 45, 51);");
    const int textLeft = m_kindIcon.isNull() ? kPadding + 4 : kPadding + kIconSide + 16;
    const int textWidth = kWidth - textLeft - kPadding;
    const int textHeight =
        QFontMetrics(textFont)
            .boundingRect(QRect(0, 0, textWidth, 2000), Qt::TextWordWrap, m_message)
            .height();
    const int bodyHeight = qMax(qMax(textHeight, kIconSide) + 2 * kPadding, 84);
    setFixedSize(kWidth, kTopHeight + bodyHeight + kBottomHeight);
    m_text->setGeometry(textLeft, kTopHeight + (bodyHeight - textHeight) / 2, textWidth,
                        textHeight);

    m_titleRect = QRect(QPoint(25, 7), QPoint(225, 37));
    // The close button's left edge sits 20 pixels from the right, centred
    // in the title band; OK and Cancel are centred in the bottom band.
    placeButtonRow({m_btnOk, m_btnCancel, m_btnClose},
                   {.right = kPadding,
                    .bottom = (kBottomHeight - m_btnOk->height()) / 2,
                    .closeRight = 20 - m_btnClose->width(),
                    .closeTop = 7 + (30 - m_btnClose->height()) / 2});
    m_btnOk->setDefault(true);
}

void QMessageDlg::prepare() {
    if (m_prepared)
        return;
    m_prepared = true;
    loadImages();
    layOut();
}

void QMessageDlg::showEvent(QShowEvent* event) {
    prepare();
    QImageDialog::showEvent(event);
}

void QMessageDlg::OnBtnOk() {
    if (m_flags & msg::kRestart)
        return;  // "Restart Now" leaves the dialog open
    done((m_flags & msg::kYesNo) ? msg::kResultYes : msg::kResultOk);
}

void QMessageDlg::OnBtnCancel() {
    done((m_flags & msg::kYesNo) ? msg::kResultNo : msg::kResultCancel);
}

void QMessageDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int bodyTop = kTopHeight;
    const int bodyBottom = height() - kBottomHeight;
    painter.fillRect(QRect(0, bodyTop, width(), bodyBottom - bodyTop), Qt::white);
    if (!m_top.isNull())
        painter.drawPixmap(QRect(0, 0, width(), kTopHeight), m_top);
    if (!m_bottom.isNull())
        painter.drawPixmap(QRect(0, bodyBottom, width(), kBottomHeight), m_bottom);
    if (!m_left.isNull())
        painter.drawPixmap(QRect(0, bodyTop, m_left.width(), bodyBottom - bodyTop), m_left);
    if (!m_right.isNull()) {
        painter.drawPixmap(
            QRect(width() - m_right.width(), bodyTop, m_right.width(), bodyBottom - bodyTop),
            m_right);
    }
    if (!m_titleIcon.isNull())
        painter.drawPixmap(5, 7 + (30 - m_titleIcon.height()) / 2, m_titleIcon);
    QFont titleFont = font();
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(Qt::white);
    painter.drawText(m_titleRect, Qt::AlignLeft | Qt::AlignVCenter, m_title);
    if (!m_kindIcon.isNull()) {
        painter.drawPixmap(
            kPadding, bodyTop + (bodyBottom - bodyTop - kIconSide) / 2,
            m_kindIcon.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

int showMessage(const QString& message, const QString& title, int flags) {
    QMessageDlg dialog;
    if (!message.isEmpty())
        dialog.setMessage(message);
    if (!title.isEmpty())
        dialog.setTitle(title);
    if (flags != 0)
        dialog.setFlags(flags);
    return dialog.exec();
}

int showMessage(const char* message, const char* title, int flags) {
    return showMessage(QString::fromUtf8(message), QString::fromUtf8(title), flags);
}
