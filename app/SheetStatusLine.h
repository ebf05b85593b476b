#pragma once

// The line under the sheet's tabs that says what the program is doing: the
// words of the device operation in progress ("Reading the sensor…"), or that
// it is ready. Operations nest; the innermost one's words show, and the outer
// one's come back when it ends. The line is a row of parts side by side; the
// activity is the first.

#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;

class SheetStatusLine : public QWidget {
    Q_OBJECT
public:
    explicit SheetStatusLine(QWidget* parent = nullptr);

    void beginActivity(const QString& words);
    void endActivity();

    // What the activity part shows.
    QString activityText() const;

private:
    void showActivity();

    QLabel* activity_;
    QStringList activities_;
};
