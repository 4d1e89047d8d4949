#pragma once
// Market data: the snapshot's rates table and its index table, and the
// currency calculator's data script, fetched at most once a day.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class BloombergInner final : public Retriever<BloombergInner> {
public:
    static constexpr const char* NAME = "BloombergInner";
    static constexpr const char* TEMPLATE = "bloomberg-inner-template.html";
    static constexpr const char* OUTPUT = "bloomberg-inner.html";
    // Of the currency script, not of the page.
    static constexpr int64_t INTERVAL_MS = 84960000;
    static constexpr const char* CURRENCY_SCRIPT = "js/bloomberg/currdata.js";

protected:
    void retrieve() override;

private:
    void downloadCurrencyDataScript();
};

}  // namespace portal::retriever
