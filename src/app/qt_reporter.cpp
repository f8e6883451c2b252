#include "app/qt_reporter.h"

#include <QApplication>
#include <QMessageBox>

void QtReporter::message_box(const std::string& text, const std::string& caption)
{
    QWidget* parent = QApplication::activeWindow();
    QMessageBox::information(parent, QString::fromStdString(caption), QString::fromStdString(text));
    if (after_modal) after_modal();
}

void QtReporter::status(const std::string& text)
{
    if (on_status) on_status(text);
}
