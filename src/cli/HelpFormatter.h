#pragma once
#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>

namespace zt::cli {

// --help as people read it in a terminal: descriptions wrap at the terminal's
// width (80 columns off a terminal, so man pages and logs look the same every
// time), continuation lines stay under their column. Lines that start with a
// blank (examples, tables) are kept as written.
class HelpFormatter final : public CLI::Formatter {
public:
    explicit HelpFormatter(std::size_t width);

    std::string make_option(const CLI::Option* opt, bool is_positional) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    std::string make_description(const CLI::App* app) const override;
    std::string make_footer(const CLI::App* app) const override;

private:
    std::string Column(const std::string& name, const std::string& description) const;
    std::size_t width_;
};

// Wraps `text` to `width` columns; each line after the first starts with
// `indent` blanks. Lines that start with a blank are left alone.
std::string WrapText(const std::string& text, std::size_t width, std::size_t indent);

// The width of the terminal on standard output, else $COLUMNS, else 80.
std::size_t HelpWidth();

}  // namespace zt::cli
