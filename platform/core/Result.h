// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace platform {

// Why something failed, in words for the log or for a screen to put in an
// alert.
struct Error {
    QString text;
};

// The one shape of a failure: either the value or the reason it could not
// be had. Result<void> for work that gives nothing back.
//
//     const Result<int> fd = openRegularFile(path, NoFollow);
//     if (!fd)
//         return Error{fd.error()};
template<typename T = void> class [[nodiscard]] Result {
public:
    Result(const T &value)
        : mValue(value)
    {
    }
    Result(T &&value)
        : mValue(std::move(value))
    {
    }
    Result(Error error)
        : mError(std::move(error.text))
    {
    }

    bool ok() const { return mValue.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T &value() const & { return *mValue; }
    T &value() & { return *mValue; }
    T &&value() && { return std::move(*mValue); }
    const T &operator*() const & { return *mValue; }
    T &operator*() & { return *mValue; }
    const T *operator->() const { return &*mValue; }
    T *operator->() { return &*mValue; }

    // Empty when ok().
    const QString &error() const { return mError; }

private:
    std::optional<T> mValue;
    QString mError;
};

template<> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : mFailed(true)
        , mError(std::move(error.text))
    {
    }

    bool ok() const { return !mFailed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return mError; }

private:
    bool mFailed = false;
    QString mError;
};

} // namespace platform
