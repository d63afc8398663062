#pragma once
#include <QString>
#include <stdexcept>

namespace ds::db {

// A database failure with the engine's (or driver's) own readable description.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}
    const QString& description() const { return description_; }

private:
    QString description_;
};

}  // namespace ds::db
