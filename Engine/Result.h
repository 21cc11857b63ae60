#pragma once
// Outcome of an operation whose failure is expected (start-up, loading): a message and a failed flag.

#include <string>

struct Result {
    std::string message;
    bool failed = false;

    static Result ok() { return {}; }
    static Result fail(std::string message) { return {std::move(message), true}; }
};
