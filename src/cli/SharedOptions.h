#pragma once
// The options that several verbs take (-d, --speed, --format, --force, --no-verify...)
// may come before the verb as well as after it, as the global options may come
// after it. A verb's own options (read's -o, setup save's --name) follow the verb.
namespace CLI {
class App;
}

namespace quorbit::cli {

/// Gives the top level a copy of every option that two or more verbs take, with
/// the same names; call it once every verb is added.
void AcceptSharedOptionsBeforeVerb(CLI::App& cli);

/// After the parse: hands what the copies took to the verb that was parsed, where
/// that verb's own checks judge it as if it had followed the verb. Throws
/// CLI::ParseError for such an option given to a verb that does not take it, or
/// for a value the verb's checks refuse.
void ForwardSharedOptions(CLI::App& cli);

} // namespace quorbit::cli
