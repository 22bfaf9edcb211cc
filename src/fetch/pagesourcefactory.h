#pragma once

#include "fetch/fetchoptions.h"

#include <functional>
#include <memory>

class PageSource;

// Makes the page source of a job on the job's own thread; the source sees the job's stop request.
using PageSourceFactory = std::function<std::unique_ptr<PageSource>(std::function<bool()> stopRequested)>;

// Pages from the network with these options.
PageSourceFactory networkSourceFactory(const FetchOptions& options);
