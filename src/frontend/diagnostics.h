// The console's diagnostic commands: internals printed (record sizes, keys,
// move lists, the evaluation breakdown, tablebase probes), self-tests run
// (exchange values, drawn material, symmetry, the Syzygy test files, the
// reduction formulas) and fixed test positions loaded. Each takes the command
// line as typed; the console's command table says which word runs which.
#pragma once

struct Session;

// Position loaders: the line is the command word, which names the position;
// it goes into the current slot of the game, the slots below stay.
void loadTestPosition(Session& session, const char* line);

void sizeCommand(Session& session, const char* line);
void keyCommand(Session& session, const char* line);
void hashStoreCommand(Session& session, const char* line);
void hashProbeCommand(Session& session, const char* line);
void clearCommand(Session& session, const char* line);
void dumpCommand(Session& session, const char* line);
void pinCommand(Session& session, const char* line);
void quiesceCommand(Session& session, const char* line);
void symmetryCommand(Session& session, const char* line);
void drawTestCommand(Session& session, const char* line);
void bookCommand(Session& session, const char* line);
void threadCommand(Session& session, const char* line);
void exchangeTestCommand(Session& session, const char* line);
void pieceCommand(Session& session, const char* line);
void scoreCommand(Session& session, const char* line);
void legalCommand(Session& session, const char* line);
void generateCommand(Session& session, const char* line);
void probeCommand(Session& session, const char* line);
void syzygyTestCommand(Session& session, const char* line);
void reductionsCommand(Session& session, const char* line);
