// A tick blocks in its message boxes until someone presses OK; in a test this presses it,
// right after the box has shown, and keeps what each box showed.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

struct ShownMessage {
    QString caption;
    QString text;
    QString details;
    QMessageBox::Icon icon;
    int buttonCount;
    Qt::WindowModality modality;
};

class MessageBoxCloser : public QObject {
public:
    MessageBoxCloser() { qApp->installEventFilter(this); }
    ~MessageBoxCloser() override { qApp->removeEventFilter(this); }

    QList<ShownMessage> shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            shown.append({box->windowTitle(), box->text(), box->informativeText(), box->icon(),
                          int(box->buttons().size()), box->windowModality()});
            // Closing from inside the Show event would cut the box's own start short.
            QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
        }
        return false;
    }
};
