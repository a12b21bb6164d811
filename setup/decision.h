// The server-version decision: what a setup run tells the user before it
// goes on, as a message number and an advice number.
#pragma once

namespace txr {

// Advice numbers; they double as the outcome's severity.
constexpr int kAdviceGoOn = 156;       // setup may go on
constexpr int kAdviceAbort = 157;      // setup may go on against advice
constexpr int kAdviceCannot = 158;     // setup cannot go on

// Decision messages.
constexpr int kMsgNoServerIni = 146;
constexpr int kMsgNoServerVersion = 147;
constexpr int kMsgLocalInstall = 148;
constexpr int kMsgIncompleteRecord = 149;
constexpr int kMsgSameVersion = 150;
constexpr int kMsgOlderServer = 151;

struct SetupDecision {
    int message = 0;  // 0: none
    int advice = 0;   // 0: none (go on)
};

// Reads setupDirectory\TXRNET.INI and the installation record and returns
// the first case of the decision table that applies.
SetupDecision DecideSetup(const char* setupDirectory);

// True when an unattended run may go on after this decision.
inline bool AllowsAutomaticSetup(const SetupDecision& decision) {
    return decision.advice == 0 || decision.advice == kAdviceGoOn;
}

}  // namespace txr
