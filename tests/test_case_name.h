#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

/// Names a parameterised case after its `name` field, as a test identifier.
struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    }
};
