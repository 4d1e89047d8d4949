#include "control/modQueries.h"

#include <initializer_list>
#include <string_view>

#include "control/AnsiCodePage.h"
#include "control/cNewMenu6.h"
#include "foundation/HostTable.h"

namespace tiraleaf {

namespace {

// A site of the menu: caption (also its key) and icon index.
struct Entry {
    const char* caption;
    int icon;
};

// An ordinary search site: host role, path and query before the terms, and
// the text after them.
struct Site {
    std::string_view caption;
    const char* role;
    const char* before;
    const char* after;
};

constexpr Site kSites[] = {
    {"AccuWeather", "Search.AccuWeather", "/adcbin/public/local_index.asp?zipcode=", "&partner=accuweather"},
    {"AcronymFinder", "Search.AcronymFinder", "/af-query.asp?String=exact&Acronym=", "&Find=Find"},
    {"Airborne Express", "Search.AirborneExpress",
     "/TrackByNbr.asp?txtTrackNbrs=", "&hdnTrackMode=nbr&hdnPostType=init&hdnRefPage=0"},
    {"Airport Code (AirNav)", "Search.AirNav", "/airports/get?s=", "&submit.x=5&submit.y=5"},
    {"Airport Code (LogLink)", "Search.LogLink", "/airports.asp?query=", "&mode=smart&x=11&y=12"},
    {"Allrecipes", "Search.Allrecipes", "/recipe/quick.asp?q1=", "&lnkid=65&image1.x=0&image1.y=0"},
    {"AltaVista", "Search.AltaVista", "/web/results?q=", "&kgs=0&kls=0&avkw=aapt"},
    {"Ask Jeeves", "Search.AskJeeves", "/web?q=", "&o=0&qsrc=0&askbutton.x=19&askbutton.y=15"},
    {"Barnes && Noble", "Search.BarnesNoble", "/booksearch/results.asp?WRD=", ""},
    {"Buy Online", "Search.BuyOnline", "/retail/searchresults.asp?querytype=home&qu=", "&qxt=home&dclksa=1"},
    {"CNN", "Search.CNN", "/cnn/search?source=cnn&invocationType=search%2Ftop&sites=cnn&query=", ""},
    {"CNNMoney", "Search.CNNMoney", "/money/search?source=money&invocationType=search%2Ftop&query=", ""},
    {"Dictionary Online", "Search.DictionaryOnline", "/search?q=", ""},
    {"Download Online", "Search.DownloadOnline", "/3120-20-0.html?qt=", "&tg=dl-2001&search=+Go%2521+"},
    {"eBay (titles only)", "Search.eBay", "/search/search.dll?query=", "&ht=1&sosortproperty=1&from=R10&BasicSearch="},
    {"eBay (titles and descriptions)", "Search.eBay",
     "/search/search.dll?query=", "&sosortproperty=1&ht=1&from=R10&sotextsearched=2&BasicSearch="},
    {"eMedicine", "Search.eMedicine",
     "/cgi-bin/foxweb.exe/searchengine@/em/searchengine?boolean=and&book=all&maxhits=100&HiddenURL=&query=", ""},
    {"Encarta", "Search.Encarta", "/encnet/refpages/srpage.aspx?search=", ""},
    {"Encyclopedia Britannica", "Search.Britannica", "/search?query=", "&ct=&fuzzy=N"},
    {"Encyclopedia Online", "Search.EncyclopediaOnline", "/searchpool.asp?target=", "&Search.x=24&Search.y=14"},
    {"Epicurious Recipes", "Search.Epicurious",
     "/s97is.vts?action=filtersearch&filter=recipe-filter.hts&collection=Recipes&ResultTemplate=recipe-results.hts"
     "&queryType=and&keyword=",
     "&x=0&y=0"},
    {"Epinions", "Search.Epinions", "/search/?submitted_form=searchbar&search_string=",
     "&tax_name=&dyn_nav=0&dyn_nav_id=&search_vertical=all&searchbar_submit=Search"},
    {"ESPN", "Search.ESPN", "/keyword/searchResults?search=", "&searchType=2&site=espn&Search.x=12&Search.y=10"},
    {"FedEx", "Search.FedEx",
     "/cgi-bin/tracking?action=track&language=english&last_action=alttrack&ascend_header=1&cntry_code=us&initial=x"
     "&mps=y&tracknumbers=",
     ""},
    {"Froogle", "Search.Froogle", "/froogle?q=", "&btnG=Search+Froogle"},
    {"Google", "Search.Google", "/search?hl=en&ie=UTF-8&oe=UTF-8&q=", "&btnG=Google+Search"},
    {"Google Images", "Search.GoogleImages", "/images?q=", "&ie=UTF-8&oe=UTF-8&hl=en&btnG=Google+Search"},
    {"Google News", "Search.GoogleNews", "/news?hl=en&edition=us&q=", "&btnG=Search+News"},
    {"Half Online", "Search.HalfOnline", "/search/search.jsp?nthTime=1&product=all&keyword=", "&x=0&y=0"},
    {"IMDB (Internet Movie Database)", "Search.IMDB", "/find?tt=on;nm=on;mx=20;q=", ""},
    {"MSN", "Search.MSN", "/pass/results.asp?RS=CHECKED&FORM=MSNH&v=1&q=&q=", "&cp=1252"},
    {"MySimon", "Search.MySimon", "/search?pgtpid=4012&tag=mysfd.srch&qt=", "&cn=5"},
    {"PriceGrabber", "Search.PriceGrabber", "/search_gen_top.php?topcat_search=1&form_keyword=", "&found=1"},
    {"Quotations (Bartleby)", "Search.Bartleby",
     "/cgi-bin/texis/webinator/sitesearch?FILTER=colQuotations&query=", "&x=12&y=10"},
    {"Quote Online", "Search.QuoteOnline", "/qc/stocks/quotes.aspx?symbols=", ""},
    {"Rotten Tomatoes", "Search.RottenTomatoes", "/search/full_search.php?search=", ""},
    {"Shopping Online", "Search.ShoppingOnline", "/xFS?FD=0&KW=", ""},
    {"Sports Network", "Search.SportsNetwork",
     "/find.html?id=6820552&pageid=r&mode=all&query=", "&scope=site&x=28&y=8"},
    {"Teoma", "Search.Teoma", "/search?q=", "&qcat=1&qsrc=0&Search.x=30&Search.y=14"},
    {"Thesaurus Online", "Search.ThesaurusOnline", "/search?q=", ""},
    {"Wal-Mart", "Search.WalMart",
     "/catalog/search-ng.gsp?search_constraint=0&search_query=", "&Continue.x=6&Continue.y=11"},
    {"WedMD", "Search.WedMD", "/search/search_results?query=", ""},
    {"WhatIs", "Search.WhatIs", "/wsearchResults/1,290214,sid9,00.html?query=", ""},
    {"Yahoo", "Search.Yahoo", "/search?p=", "&ei=UTF-8&fr=fp-tab-web-t&cop=mss&tab="},
    {"Zip Code (USPS)", "Search.USPS", "/zip4/zip_responseA.jsp?zipcode=", "&Submit.x=10&Submit.y=10"},
};

// The affiliate identifier sent with shop searches.
constexpr const char* AMAZON_AFFILIATE = "lanternbay-20";

constexpr const char* BEST_BUY_START =
    "/site/index.jsp?_DARGS=/site/en_US/global/nav/olssimplesearch.jsp?_dyncharset=ASCII&_D%3ASearch=+&Search=ALL"
    "&txtkeywords=";
constexpr const char* BEST_BUY_PIECE_1_START =
    "&_D%3Atxtkeywords=+&_D%3AsearchButton=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Fformhandler%2F"
    "SearchFormHandler.successURL=";
constexpr const char* BEST_BUY_PIECE_1_END =
    "&_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.successURL=+&%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.newSearch=true&";
constexpr const char* BEST_BUY_PIECE_2 =
    "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.newSearch=+&%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.startPageIndex=1&_D%3A%2Fbestbuy%2Fdigiterra%2F"
    "atg%2Fsearch%2Futilities%2FSearchParameterHolder.startPageIndex=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2F"
    "utilities%2FSearchParameterHolder.endPageIndex=10&";
constexpr const char* BEST_BUY_PIECE_3 =
    "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.endPageIndex=+&%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.currentPage=1&_D%3A%2Fbestbuy%2Fdigiterra%2Fatg"
    "%2Fsearch%2Futilities%2FSearchParameterHolder.currentPage=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities"
    "%2FSearchParameterHolder.maxItemsPerPage=10&";
constexpr const char* BEST_BUY_PIECE_4 =
    "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.maxItemsPerPage=+&%2Fbestbuy"
    "%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.canGoPreviousPage=false&_D%3A%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.canGoPreviousPage=+&%2Fbestbuy%2Fdigiterra%2F"
    "atg%2Fsearch%2Futilities%2FSearchParameterHolder.sortParameter=Relevance&";
constexpr const char* BEST_BUY_PIECE_5 =
    "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.sortParameter=+&%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.veritySearch=dummy+value&_D%3A%2Fbestbuy%2F"
    "digiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.veritySearch=+&_DARGS=%2Fsite%2Fen_US%2Fglobal"
    "%2Fnav%2Folssimplesearch.jsp&searchButton.x=10&searchButton.y=6";

// Bytes as a query value: letters, digits and the characters of alsoKept
// stay, a blank becomes "+" where spaceAsPlus holds, all else "%XX".
std::string percentEncode(const std::string& bytes, std::string_view alsoKept, bool spaceAsPlus) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    (c != 0 && alsoKept.find(static_cast<char>(c)) != std::string_view::npos);
        if (keep) {
            out += static_cast<char>(c);
        } else if (c == ' ' && spaceAsPlus) {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

void addGroup(cNewMenu6& menu, const std::string& header, std::initializer_list<Entry> entries) {
    int parent = menu.IndexForKey(header);
    for (const Entry& e : entries) {
        // A caption "-" is a separator, which has no key.
        std::string key = std::string(e.caption) == "-" ? "" : e.caption;
        menu.AddItem(e.caption, "", 0, parent, e.icon, false, true, key);
    }
}

}  // namespace

void modQueries::BuildProviderMenu(cNewMenu6& menu) {
    addGroup(menu, "", {{"Dictionary Online", 19}, {"Google", 15}, {"-", -1}});
    for (const char* header : {"Cooking", "Entertainment", "Health", "News", "Reference", "Search", "Shipping",
                               "Shopping", "Software", "Travel", "Weather"}) {
        menu.AddItem(header, "", 0, 0, -1, false, true, header);
    }
    addGroup(menu, "Cooking", {{"Allrecipes", -1}, {"Epicurious Recipes", 12}});
    addGroup(menu, "Entertainment", {{"IMDB (Internet Movie Database)", 17}, {"Rotten Tomatoes", 20}});
    addGroup(menu, "Health", {{"eMedicine", 9}, {"WedMD", -1}});
    addGroup(menu, "News", {{"CNN", 7}, {"Google News", 15}, {"Financial", -1}, {"Sports", -1}});
    addGroup(menu, "Financial", {{"CNNMoney", 7}, {"Quote Online", -1}});
    addGroup(menu, "Sports", {{"ESPN", 13}, {"Sports Network", -1}, {"-", -1}});
    addGroup(menu, "Reference",
             {{"AcronymFinder", 1},
              {"Dictionary Online", 19},
              {"Encarta", 10},
              {"Encyclopedia Britannica", 5},
              {"Encyclopedia Online", 11},
              {"Quotations (Bartleby)", 4},
              {"Thesaurus Online", 19},
              {"WhatIs", -1},
              {"Zip Code (USPS)", 21}});
    addGroup(menu, "Search",
             {{"AltaVista", 2},
              {"Ask Jeeves", -1},
              {"Google", 15},
              {"Google Images", 15},
              {"MSN", 18},
              {"Teoma", -1},
              {"Yahoo", 23}});
    addGroup(menu, "Shipping", {{"Airborne Express", -1}, {"FedEx", 14}, {"UPS", -1}});
    addGroup(menu, "Shopping",
             {{"Amazon", 3},
              {"Barnes && Noble", -1},
              {"Best Buy", -1},
              {"Buy Online", 6},
              {"eBay (titles only)", 8},
              {"eBay (titles and descriptions)", 8},
              {"Epinions", -1},
              {"Froogle", 15},
              {"Half Online", 16},
              {"MySimon", -1},
              {"PriceGrabber", -1},
              {"Shopping Online", -1},
              {"Wal-Mart", 22}});
    addGroup(menu, "Software", {{"Download Online", -1}});
    addGroup(menu, "Travel", {{"Airport Code (AirNav)", -1}, {"Airport Code (LogLink)", -1}});
    addGroup(menu, "Weather", {{"AccuWeather", 0}, {"Weather Online", -1}});
}

std::string modQueries::EncodeSearchTerms(const std::string& terms) {
    return percentEncode(AnsiCodePage::fromUtf8(terms), "", true);
}

std::string modQueries::BuildQueryURL(const std::string& caption, const std::string& terms) {
    using foundation::HostTable;
    std::string encoded = EncodeSearchTerms(terms);
    for (const Site& site : kSites) {
        if (site.caption == caption) return HostTable::url(site.role, site.before + encoded + site.after);
    }
    if (caption == "Amazon") {
        return HostTable::url("Search.Amazon", "/exec/obidos/external-search/104-1988950-9116705?keyword=" + encoded +
                                                   "&mode=blended" + "&tag=" + AMAZON_AFFILIATE + "&Go.x=5&Go.y=11");
    }
    if (caption == "UPS") {
        return HostTable::url("Search.UPS",
                              "/WebTracking/processRequest?HTMLVersion=5.0&Requester=NES&AgreeToTermsAndConditions=yes"
                              "&loc=en_US&tracknum=" +
                                  encoded);
    }
    if (caption == "Weather Online") {
        return HostTable::url("Search.WeatherOnline",
                              "/weather/local/" + encoded + "?lswe=" + encoded + "&lwsa=WeatherLocalUndeclared");
    }
    if (caption == "Best Buy") {
        std::string results =
            percentEncode(HostTable::url("Search.BestBuy", "/site/olspage.jsp?id=cat12085&type=page"), "-_.~", false);
        return HostTable::url("Search.BestBuy", BEST_BUY_START + encoded + BEST_BUY_PIECE_1_START + results +
                                                    BEST_BUY_PIECE_1_END + BEST_BUY_PIECE_2 + BEST_BUY_PIECE_3 +
                                                    BEST_BUY_PIECE_4 + BEST_BUY_PIECE_5);
    }
    return "";
}

}  // namespace tiraleaf
