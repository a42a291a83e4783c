#pragma once

#include "SystemFacts.h"

#include <QDate>
#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace sarvel {

// The About window: version line, the maker's details with a mail and a web link, a few facts
// about the computer and today's date. Created hidden at start-up, shown modally any number of
// times, closed by its OK button (Escape does not close it); it has no title-bar buttons.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // Shows the window modally and returns when it closes.
    int showModal() { return exec(); }

    // Handlers.
    void FormActivate();
    void TimerFleshTimer();
    void BitBtnCloseClick();
    void LabelLoginMouseMove();
    void LabelHTTPMouseMove();
    void LabelLoginMouseLeave();
    void LabelHTTPMouseLeave();
    void LabelLoginClick();
    void LabelHTTPClick();

    // Seams for tests: where the system facts, today's date and opened links come from.
    void setFactsSource(std::function<SystemFacts()> source) { facts_ = std::move(source); }
    void setClock(std::function<QDate()> today) { today_ = std::move(today); }
    void setUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }

    static const QUrl mailUrl;
    static const QUrl webUrl;

    QLabel* const Label4;
    QLabel* const LabelLogin;
    QLabel* const LabelHTTP;
    QLabel* const LabelTipCPU;
    QLabel* const LabelDosVer;
    QLabel* const LabelWinVer;
    QLabel* const LabelTusday;
    QLabel* const Image1;
    QLabel* const Image2;
    QPushButton* const BitBtnClose;
    QTimer* const TimerFlesh;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMakerLabels();
    void buildInfoPanel();

    std::function<SystemFacts()> facts_ = readSystemFacts;
    std::function<QDate()> today_ = &QDate::currentDate;
    std::function<bool(const QUrl&)> openUrl_;
};

} // namespace sarvel
