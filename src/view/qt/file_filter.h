// File chooser filters are written as the menus give them,
// "Name (*.a;*.b)|*.a;*.b|...||"; Qt wants one "Name (*.a *.b)" entry per
// choice.
#pragma once
#include <QStringList>
#include <string>

QStringList qt_name_filters(const std::string& filter);
// "*.bmp", ".bmp" or "bmp" -> "bmp"; "" for none or a wildcard.
QString default_suffix(const std::string& ext);
