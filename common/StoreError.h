#pragma once

#include <QString>
#include <stdexcept>

// A statement that could not run. Callers that abandon a failed step catch it.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};
