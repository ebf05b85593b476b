#pragma once

// The vocabulary of the configuration template file: every word of the six
// parameter blocks with its field name and description, in the order the
// reader searches and the writer prints them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "config/ConfigModel.h"

enum class TemplateBlock { Sonar, WalkAway, WalkAwayEx, WalkUp, WalkUpEx, Idle };

struct TemplateField {
    std::string_view Name;
    std::string_view Description;
    TemplateBlock Block;
    std::size_t Word;
};

inline constexpr std::size_t kTemplateFieldCount = 80;

// Sonar, walk-away, walk-away extension, walk-up, walk-up extension and idle
// rows, each block's rows in word order.
std::span<const TemplateField> TemplateFields();

// The field whose name equals name without regard to letter case, or null.
const TemplateField* FindTemplateField(std::string_view name);

std::uint16_t& FieldWord(ConfigSet& blocks, const TemplateField& field);
std::uint16_t FieldWord(const ConfigSet& blocks, const TemplateField& field);
