#include "search/memory/engine.h"

namespace meridane::memory {

Engine::Engine() {
    // Whoever changes a database file outside a search says so; the images of that file go.
    subscription_ =
        SubscribeToFileChanges([this](const QString& path) { forgetTableImages(path); });
}

Engine::~Engine() {
    UnsubscribeFromFileChanges(subscription_);
    stopWarmUp();
    // The working copy gets the writes of the last lists before the engine goes; the writer's
    // own destructor then ends its thread.
    writes_.finish();
}

void Engine::warmUp() {
    warmUp_.start();
}

void Engine::finishWarmUp() {
    warmUp_.adoptInto(images_);
}

void Engine::stopWarmUp() {
    warmUp_.stop();
}

bool Engine::warmUpPending() const {
    return warmUp_.pending();
}

void Engine::finishPendingWrites() {
    writes_.finish();
}

void Engine::holdPendingWrites(bool held) {
    writes_.holdThread(held);
}

void Engine::deferPendingWrites(bool deferred) {
    writes_.setDeferred(deferred);
}

void Engine::abandonPendingWrites() {
    writes_.abandon();
}

bool Engine::resultsLost(const KnowledgeCategory& category) {
    return ResultsLost(committed_, category);
}

void Engine::markResultsWritten(const KnowledgeCategory& category) {
    MarkResultsWritten(committed_, category);
}

} // namespace meridane::memory
