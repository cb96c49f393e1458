#pragma once

// Failures of the library become Python exceptions: a status other than Success is thrown as StatusError
// and translated into the quorix.Error subclass of its code (quorix/_errors.py holds the classes).

#include <pybind11/pybind11.h>

#include <stdexcept>

#include "quorix/Types.h"

namespace quorix_python {

class StatusError : public std::runtime_error {
public:
    explicit StatusError(norvik::api::ErrorStatus status);
    const norvik::api::ErrorStatus& status() const { return status_; }

private:
    norvik::api::ErrorStatus status_;
};

// Throws StatusError unless the status is Success. Call with the GIL held or released.
void check(const norvik::api::ErrorStatus& status);

void registerStatusTranslator();

}  // namespace quorix_python
