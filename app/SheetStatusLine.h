#pragma once

// The line under the sheet's tabs that says what the program is doing: the
// words of the device operation in progress ("Reading the sensor…"), or that
// it is ready. Operations nest; the innermost one's words show, and the outer
// one's come back when it ends. While the program waits for a sensor another
// program holds, the words for that wait show instead. The line is a row of
// parts side by side; the activity is the first, then which sensor the sheet
// edits or why none. Only the GUI thread changes it.

#include <QString>
#include <QStringList>
#include <QWidget>

class QFrame;
class QLabel;

class SheetStatusLine : public QWidget {
    Q_OBJECT
public:
    explicit SheetStatusLine(QWidget* parent = nullptr);

    void beginActivity(const QString& words);
    void endActivity();
    // Words shown in the activity's place instead of "Ready" (a file saved),
    // until the next activity begins.
    void showNotice(const QString& words);
    // Words shown in the activity's place while a wait for another program
    // lasts; empty words end it.
    void showWaiting(const QString& words);

    // What the activity part shows.
    QString activityText() const;

    void setSensorStatus(const QString& words);
    QString sensorText() const;
    // The whole line as one text: the activity, then the sensor status.
    QString text() const;

private:
    void showActivity();

    QLabel* activity_;
    QFrame* separator_;
    QLabel* sensor_;
    QStringList activities_;
    QString notice_;
    QString waiting_;
};
