#include "fetch/pagesourcefactory.h"

#include "fetch/pagefetcher.h"

PageSourceFactory networkSourceFactory(const FetchOptions& options) {
    return [options](std::function<bool()> stop) {
        return std::unique_ptr<PageSource>(std::make_unique<PageFetcher>(options, std::move(stop)));
    };
}
