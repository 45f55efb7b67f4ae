// The progress calls of a short command: one step, shown complete, no cancelling.
#pragma once

class IProgressReporter;

void ShortCommandProgress(IProgressReporter* reporter);
