#pragma once
#include <QString>
#include <stdexcept>

namespace ds::startup {

// A start-up step that failed, with the description the login and load messages append.
class StartupError : public std::runtime_error {
public:
    explicit StartupError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}
    const QString& description() const { return description_; }

private:
    QString description_;
};

}  // namespace ds::startup
