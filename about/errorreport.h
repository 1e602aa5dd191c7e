#pragma once

#include <exception>

class QWidget;

// Shows an exception's message the way the application reports errors: in a
// message box titled with the application's name, after which the program
// carries on. Carriage returns in the message separate its lines.
void ReportException(const std::exception& error, QWidget* parent = nullptr);
