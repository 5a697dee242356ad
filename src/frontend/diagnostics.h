// The console's diagnostic commands: internals printed (record sizes, keys,
// move lists, the evaluation breakdown, tablebase probes), self-tests run
// (exchange values, drawn material, symmetry, the Syzygy test files, the
// reduction formulas) and fixed test positions loaded. Each takes the command
// line as typed; the console's command table says which word runs which.
#pragma once

// Position loaders: the line is the command word, which names the position;
// it goes into the current slot of the game, the slots below stay.
void loadTestPosition(const char* line);

void sizeCommand(const char* line);
void keyCommand(const char* line);
void hashStoreCommand(const char* line);
void hashProbeCommand(const char* line);
void clearCommand(const char* line);
void dumpCommand(const char* line);
void pinCommand(const char* line);
void quiesceCommand(const char* line);
void symmetryCommand(const char* line);
void drawTestCommand(const char* line);
void bookCommand(const char* line);
void threadCommand(const char* line);
void exchangeTestCommand(const char* line);
void pieceCommand(const char* line);
void scoreCommand(const char* line);
void legalCommand(const char* line);
void generateCommand(const char* line);
void probeCommand(const char* line);
void syzygyTestCommand(const char* line);
void reductionsCommand(const char* line);
