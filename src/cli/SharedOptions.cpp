#include "cli/SharedOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <utility>

namespace quorbit::cli {
namespace {

/// The heading of the copies in --help, by which ForwardSharedOptions finds them.
constexpr const char* kSharedOptionsGroup = "Options of several verbs (before or after the verb)";

struct Verb {
    std::string name; // "program", "setup save"
    CLI::App* app;
};

/// The verbs: the subcommands without subcommands of their own ("setup save"),
/// option groups (which have no name) left out.
void CollectVerbs(CLI::App& parent, const std::string& prefix, std::vector<Verb>& verbs) {
    const auto named = [](CLI::App* app) { return !app->get_name().empty(); };
    for (CLI::App* sub : parent.get_subcommands(named)) {
        const std::string name = prefix + sub->get_name();
        if (sub->get_subcommands(named).empty())
            verbs.push_back({name, sub});
        else
            CollectVerbs(*sub, name + " ", verbs);
    }
}

std::vector<Verb> AllVerbs(CLI::App& cli) {
    std::vector<Verb> verbs;
    CollectVerbs(cli, "", verbs);
    return verbs;
}

/// Every name of an option as CLI11 reads it back: "-d,--device",
/// "--verify-after,--no-verify-after{false}". Two verbs share an option when
/// they name it alike.
std::string Names(const CLI::Option& option) {
    return option.get_name(false, true);
}

/// The verb's option named as `copy` is, or nullptr.
CLI::Option* SameOption(CLI::App& verb, const CLI::Option& copy) {
    CLI::Option* option = verb.get_option_no_throw(copy.get_name());
    return option && Names(*option) == Names(copy) ? option : nullptr;
}

std::vector<std::string> VerbsTaking(CLI::App& cli, const CLI::Option& copy) {
    std::vector<std::string> names;
    for (const Verb& verb : AllVerbs(cli))
        if (SameOption(*verb.app, copy)) names.push_back(verb.name);
    return names;
}

/// "program and erase", "read, blank and verify".
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

void AcceptSharedOptionsBeforeVerb(CLI::App& cli) {
    // Each distinct option with the verbs that take it, in the order of the verbs'
    // own lists, so that --help shows them as the verbs do.
    struct Shared {
        std::vector<const CLI::Option*> options;
        std::vector<std::string> verbs;
    };
    std::vector<Shared> found;
    for (const Verb& verb : AllVerbs(cli)) {
        for (const CLI::Option* option : verb.app->get_options()) {
            if (!option->nonpositional() || option == verb.app->get_help_ptr()) continue;
            auto same = std::find_if(found.begin(), found.end(), [&](const Shared& seen) {
                return Names(*seen.options.front()) == Names(*option);
            });
            if (same == found.end()) same = found.insert(found.end(), Shared{});
            same->options.push_back(option);
            same->verbs.push_back(verb.name);
        }
    }
    for (const Shared& shared : found) {
        const CLI::Option& option = *shared.options.front();
        if (shared.verbs.size() < 2 || cli.get_option_no_throw(option.get_name())) continue;
        // The copy only collects what was typed: the verb's option checks it and
        // sets the verb's value (ForwardSharedOptions).
        CLI::Option* copy = nullptr;
        if (option.get_expected_max() == 0) {
            copy = cli.add_flag(Names(option));
        } else {
            // The values the verbs' checks take ("INT in [1 - 20]") when they agree,
            // else just the type.
            std::string type = option.get_type_name();
            const bool agree = std::all_of(
                shared.options.begin(), shared.options.end(),
                [&](const CLI::Option* other) { return other->get_type_name() == type; });
            if (!agree) type.resize(std::min(type.size(), type.find(':')));
            copy = cli.add_option(Names(option));
            copy->type_size(option.get_type_size_min(), option.get_type_size_max())
                ->expected(option.get_expected_min(), option.get_expected_max())
                ->type_name(type);
        }
        copy->description(option.get_description() + "; for " + Listed(shared.verbs))
            ->group(kSharedOptionsGroup);
    }
}

void ForwardSharedOptions(CLI::App& cli) {
    CLI::App* verb = &cli;
    std::string verbName;
    while (!verb->get_subcommands().empty()) {
        verb = verb->get_subcommands().front();
        verbName += (verbName.empty() ? "" : " ") + verb->get_name();
    }
    for (CLI::Option* copy : cli.get_options(
             [](CLI::Option* option) { return option->get_group() == kSharedOptionsGroup; })) {
        if (copy->count() == 0) continue;
        CLI::Option* option = verb == &cli ? nullptr : SameOption(*verb, *copy);
        if (!option)
            throw CLI::ExtrasError(copy->get_name() + " applies to " +
                                       Listed(VerbsTaking(cli, *copy)) + ", not to " +
                                       (verbName.empty() ? "no verb" : verbName),
                                   CLI::ExitCodes::ExtrasError);
        // As if everything had followed the verb, in the order typed.
        CLI::results_t typed = copy->results();
        const CLI::results_t after = option->results();
        typed.insert(typed.end(), after.begin(), after.end());
        option->clear();
        option->add_result(typed);
        option->run_callback();
    }
}

} // namespace quorbit::cli
