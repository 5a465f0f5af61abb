#include "questionbase/error.h"

namespace qb {

Error::Error(Reason reason, QString text)
    : reason_(reason), text_(std::move(text)), utf8_(text_.toStdString()) {}

quint32 Error::code() const {
    switch (reason_) {
        case Reason::Authentication:
            return kAuthenticationFailed;
        case Reason::NoSuchItem:
            return kItemNotFound;
        default:
            return kGeneralFailure;
    }
}

void fail(Reason reason, const QString& text) {
    throw Error(reason, text);
}

}  // namespace qb
