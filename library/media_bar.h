// What the rows of the Downloaded and Converted lists share: one media
// file with its name (renamed in place, never over another file), its
// thumbnail (a click plays the file), its facts panel and a delete button.
// The facts arrive from the list's prober; until then the row shows a
// placeholder.
//
// A row's widgets (its form) are built when the row is first shown and
// may be given back when it is out of view: a list of thousands of files
// builds only the rows the user scrolls to. The row's file, facts and look
// live in the row itself, so that a form built again shows the same.
//
// GUI thread only.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QLineEdit>
#include <QWidget>

#include "library/media_facts.h"
#include "widgets/row_form.h"

class QImageButton;
class QLabel;

// The thumbnail with a play mark; "/image/Video_icon.png" until a frame is
// known or when the file has none.
class VideoIconWidget : public QWidget {
    Q_OBJECT
public:
    explicit VideoIconWidget(QWidget* parent = nullptr);
    void setThumbnail(const QImage& image);
    void setBigLook(bool big);
    bool hasThumbnail() const { return !m_thumbnail.isNull(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_thumbnail;
    QPixmap m_placeholder;
    QPixmap m_playMark;
};

// The facts panel: duration, size, format and picture size, each behind
// its icon, and the date the row was made.
class DownedVideoinfoWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownedVideoinfoWidget(QWidget* parent = nullptr);
    void setFacts(const MediaFacts& facts);
    void setBigDisplay(bool big);

    QLabel* m_timeimage;
    QLabel* m_time;
    QLabel* m_sizeimage;
    QLabel* m_size;
    QLabel* m_formatimage;
    QLabel* m_format;
    QLabel* m_resolutionimage;
    QLabel* m_resolution;
    QLabel* m_date;

private:
    bool m_big = true;
};

class MediaBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBigHeight = 98;
    static constexpr int kSmallHeight = 47;

    explicit MediaBar(QWidget* parent = nullptr);

    // Builds the row's widgets now if they are not built (the widget
    // pointers below are null until then).
    void ensureForm();
    bool hasForm() const { return m_form.built(); }
    // Deletes the row's widgets and forgets its facts (the thumbnail is the
    // row's largest part; the list probes the file again when the row comes
    // back). False, with nothing given back, while the row is being
    // renamed or holds more than its form can be rebuilt from.
    virtual bool releaseForm();

    // The file this row shows; its facts follow through setFacts().
    void setFile(const QString& path);
    void setFacts(const MediaFacts& facts);
    bool hasFacts() const { return m_hasFacts; }
    const MediaFacts& facts() const { return m_facts; }

    const QString& filePath() const { return m_filePath; }
    const QString& name() const { return m_name; }
    bool isBigDisplay() const { return m_bigDisplay; }
    void setBigDisplay(bool big);
    void setSelected(bool selected);

    // Stops whatever the row runs before it is removed from its list.
    virtual void prepareRemoval() {}

    QImageButton* m_btnClose = nullptr;
    VideoIconWidget* m_videoIconWidget = nullptr;
    QLineEdit* m_labVideoName = nullptr;
    QImageButton* m_btnEdit = nullptr;
    DownedVideoinfoWidget* m_infoWidget = nullptr;

signals:
    void emitMousePress();
    void emitDelete();
    void emitVideoPlay(QString path);
    void emitshowTreeMenu();
    // The file was renamed on disk from `oldPath` to filePath().
    void emitRenamed(QString oldPath);
    void emitRenameFailed(QString reason);

public slots:
    void OnBtnEdit();
    void VideoStartPlay();
    void ChangeName();
    virtual void OnBtnDelete();

protected:
    // Builds the widgets of the row's kind (a derived row calls the base
    // first) and shows the row's state in them.
    virtual void buildForm();
    // Places the row's own widgets for the display size in force; nothing
    // while the form is not built.
    virtual void layOut();
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The row's menu comes from its press; the list's own is for its
    // empty area only.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Escape in the name edit gives the old name back.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void endEditing();
    void showFacts();
    void showName();

    QString m_filePath;
    QString m_name;
    QDateTime m_made;  // the date the facts panel shows
    MediaFacts m_facts;
    bool m_hasFacts = false;
    bool m_bigDisplay = true;
    bool m_selected = false;
    RowForm m_form;  // the widgets above; a converted row's job controls are not among them
};
