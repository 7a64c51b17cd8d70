#pragma once

#include <QValidator>

// Shows and keeps letters in upper case as they are typed (call signs and paths).
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        (void)pos;
        input = input.toUpper();
        return Acceptable;
    }
};
