// The error type of every deliverable: a wide message, as the user sees it.
// Plain standard C++, so it also builds natively (the XML fuzzer).
#pragma once
#include <exception>
#include <string>
#include "platform/Text.h"

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message) : FMessage(std::move(message)), FUtf8(ToUtf8(FMessage)) {}
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    std::wstring FMessage;
    std::string FUtf8;
};
