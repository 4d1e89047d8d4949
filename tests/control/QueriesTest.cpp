// Query addresses: every provider of the menu, compared with addresses
// written out by hand, and the encoding of search terms.

#include "control/modQueries.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using tiraleaf::modQueries;

// "fish & chips" searched at every site.
const std::map<std::string, std::string> kExpected = {
    {"AccuWeather",
     "http://www.accuweather.com/adcbin/public/local_index.asp?zipcode=fish+%26+chips&partner=accuweather"},
    {"AcronymFinder", "http://www.acronymfinder.com/af-query.asp?String=exact&Acronym=fish+%26+chips&Find=Find"},
    {"Airborne Express",
     "http://track.airborne.com/TrackByNbr.asp?txtTrackNbrs=fish+%26+chips&hdnTrackMode=nbr&hdnPostType=init"
     "&hdnRefPage=0"},
    {"Airport Code (AirNav)", "http://www.airnav.com/airports/get?s=fish+%26+chips&submit.x=5&submit.y=5"},
    {"Airport Code (LogLink)", "http://www.loglink.example/airports.asp?query=fish+%26+chips&mode=smart&x=11&y=12"},
    {"Allrecipes", "http://allrecipes.com/recipe/quick.asp?q1=fish+%26+chips&lnkid=65&image1.x=0&image1.y=0"},
    {"AltaVista", "http://www.altavista.com/web/results?q=fish+%26+chips&kgs=0&kls=0&avkw=aapt"},
    {"Ask Jeeves", "http://web.ask.com/web?q=fish+%26+chips&o=0&qsrc=0&askbutton.x=19&askbutton.y=15"},
    {"Barnes && Noble", "http://search.barnesandnoble.com/booksearch/results.asp?WRD=fish+%26+chips"},
    {"Buy Online",
     "http://www.buy-online.example/retail/searchresults.asp?querytype=home&qu=fish+%26+chips&qxt=home&dclksa=1"},
    {"CNN", "http://search.cnn.com/cnn/search?source=cnn&invocationType=search%2Ftop&sites=cnn&query=fish+%26+chips"},
    {"CNNMoney",
     "http://search.money.cnn.com/money/search?source=money&invocationType=search%2Ftop&query=fish+%26+chips"},
    {"Dictionary Online", "http://www.dictionary-online.example/search?q=fish+%26+chips"},
    {"Download Online",
     "http://www.download-online.example/3120-20-0.html?qt=fish+%26+chips&tg=dl-2001&search=+Go%2521+"},
    {"eBay (titles only)",
     "http://search.ebay.com/search/search.dll?query=fish+%26+chips&ht=1&sosortproperty=1&from=R10&BasicSearch="},
    {"eBay (titles and descriptions)",
     "http://search.ebay.com/search/search.dll?query=fish+%26+chips&sosortproperty=1&ht=1&from=R10"
     "&sotextsearched=2&BasicSearch="},
    {"eMedicine",
     "http://www.emedicine.com/cgi-bin/foxweb.exe/searchengine@/em/searchengine?boolean=and&book=all&maxhits=100"
     "&HiddenURL=&query=fish+%26+chips"},
    {"Encarta", "http://encarta.msn.com/encnet/refpages/srpage.aspx?search=fish+%26+chips"},
    {"Encyclopedia Britannica", "http://www.britannica.com/search?query=fish+%26+chips&ct=&fuzzy=N"},
    {"Encyclopedia Online",
     "http://www.encyclopedia-online.example/searchpool.asp?target=fish+%26+chips&Search.x=24&Search.y=14"},
    {"Epicurious Recipes",
     "http://eat.epicurious.com/s97is.vts?action=filtersearch&filter=recipe-filter.hts&collection=Recipes"
     "&ResultTemplate=recipe-results.hts&queryType=and&keyword=fish+%26+chips&x=0&y=0"},
    {"Epinions",
     "http://www.epinions.com/search/?submitted_form=searchbar&search_string=fish+%26+chips&tax_name=&dyn_nav=0"
     "&dyn_nav_id=&search_vertical=all&searchbar_submit=Search"},
    {"ESPN",
     "http://search.espn.go.com/keyword/searchResults?search=fish+%26+chips&searchType=2&site=espn&Search.x=12"
     "&Search.y=10"},
    {"FedEx",
     "http://www.fedex.com/cgi-bin/tracking?action=track&language=english&last_action=alttrack&ascend_header=1"
     "&cntry_code=us&initial=x&mps=y&tracknumbers=fish+%26+chips"},
    {"Froogle", "http://froogle.google.com/froogle?q=fish+%26+chips&btnG=Search+Froogle"},
    {"Google", "http://www.google.com/search?hl=en&ie=UTF-8&oe=UTF-8&q=fish+%26+chips&btnG=Google+Search"},
    {"Google Images", "http://images.google.com/images?q=fish+%26+chips&ie=UTF-8&oe=UTF-8&hl=en&btnG=Google+Search"},
    {"Google News", "http://news.google.com/news?hl=en&edition=us&q=fish+%26+chips&btnG=Search+News"},
    {"Half Online",
     "http://www.half-online.example/search/search.jsp?nthTime=1&product=all&keyword=fish+%26+chips&x=0&y=0"},
    {"IMDB (Internet Movie Database)", "http://www.imdb.com/find?tt=on;nm=on;mx=20;q=fish+%26+chips"},
    {"MSN", "http://search.msn.com/pass/results.asp?RS=CHECKED&FORM=MSNH&v=1&q=&q=fish+%26+chips&cp=1252"},
    {"MySimon", "http://www.mysimon.com/search?pgtpid=4012&tag=mysfd.srch&qt=fish+%26+chips&cn=5"},
    {"PriceGrabber",
     "http://www.pricegrabber.com/search_gen_top.php?topcat_search=1&form_keyword=fish+%26+chips&found=1"},
    {"Quotations (Bartleby)",
     "http://www.bartleby.com/cgi-bin/texis/webinator/sitesearch?FILTER=colQuotations&query=fish+%26+chips&x=12"
     "&y=10"},
    {"Quote Online", "http://www.quote-online.example/qc/stocks/quotes.aspx?symbols=fish+%26+chips"},
    {"Rotten Tomatoes", "http://www.rottentomatoes.com/search/full_search.php?search=fish+%26+chips"},
    {"Shopping Online", "http://www.shopping-online.example/xFS?FD=0&KW=fish+%26+chips"},
    {"Sports Network",
     "http://www.sports-network.example/find.html?id=6820552&pageid=r&mode=all&query=fish+%26+chips&scope=site"
     "&x=28&y=8"},
    {"Teoma", "http://s.teoma.com/search?q=fish+%26+chips&qcat=1&qsrc=0&Search.x=30&Search.y=14"},
    {"Thesaurus Online", "http://www.thesaurus-online.example/search?q=fish+%26+chips"},
    {"Wal-Mart",
     "http://www.walmart.com/catalog/search-ng.gsp?search_constraint=0&search_query=fish+%26+chips&Continue.x=6"
     "&Continue.y=11"},
    {"WedMD", "http://my.webmd.com/search/search_results?query=fish+%26+chips"},
    {"WhatIs", "http://whatis.techtarget.com/wsearchResults/1,290214,sid9,00.html?query=fish+%26+chips"},
    {"Yahoo", "http://search.yahoo.com/search?p=fish+%26+chips&ei=UTF-8&fr=fp-tab-web-t&cop=mss&tab="},
    {"Zip Code (USPS)", "http://zip4.usps.com/zip4/zip_responseA.jsp?zipcode=fish+%26+chips&Submit.x=10&Submit.y=10"},
    {"Amazon",
     "http://www.amazon.com/exec/obidos/external-search/104-1988950-9116705?keyword=fish+%26+chips&mode=blended"
     "&tag=lanternbay-20&Go.x=5&Go.y=11"},
    {"UPS",
     "http://wwwapps.ups.com/WebTracking/processRequest?HTMLVersion=5.0&Requester=NES&AgreeToTermsAndConditions=yes"
     "&loc=en_US&tracknum=fish+%26+chips"},
    {"Weather Online",
     "http://www.weather-online.example/weather/local/fish+%26+chips?lswe=fish+%26+chips"
     "&lwsa=WeatherLocalUndeclared"},
    {"Best Buy",
     "http://www.bestbuy.com/site/index.jsp?_DARGS=/site/en_US/global/nav/olssimplesearch.jsp?_dyncharset=ASCII"
     "&_D%3ASearch=+&Search=ALL&txtkeywords=fish+%26+chips"
     // piece 1, with the shop's results page as a query value
     "&_D%3Atxtkeywords=+&_D%3AsearchButton=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Fformhandler%2F"
     "SearchFormHandler.successURL=http%3A%2F%2Fwww.bestbuy.com%2Fsite%2Folspage.jsp%3Fid%3Dcat12085%26type%3Dpage"
     "&_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.successURL=+&%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.newSearch=true&"
     // piece 2
     "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.newSearch=+&%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.startPageIndex=1&_D%3A%2Fbestbuy%2Fdigiterra%2F"
     "atg%2Fsearch%2Futilities%2FSearchParameterHolder.startPageIndex=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2F"
     "utilities%2FSearchParameterHolder.endPageIndex=10&"
     // piece 3
     "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.endPageIndex=+&%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.currentPage=1&_D%3A%2Fbestbuy%2Fdigiterra%2Fatg"
     "%2Fsearch%2Futilities%2FSearchParameterHolder.currentPage=+&%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities"
     "%2FSearchParameterHolder.maxItemsPerPage=10&"
     // piece 4
     "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.maxItemsPerPage=+&%2Fbestbuy"
     "%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.canGoPreviousPage=false&_D%3A%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.canGoPreviousPage=+&%2Fbestbuy%2Fdigiterra%2F"
     "atg%2Fsearch%2Futilities%2FSearchParameterHolder.sortParameter=Relevance&"
     // piece 5
     "_D%3A%2Fbestbuy%2Fdigiterra%2Fatg%2Fsearch%2Futilities%2FSearchParameterHolder.sortParameter=+&%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.veritySearch=dummy+value&_D%3A%2Fbestbuy%2F"
     "digiterra%2Fatg%2Fsearch%2Fformhandler%2FSearchFormHandler.veritySearch=+&_DARGS=%2Fsite%2Fen_US%2Fglobal"
     "%2Fnav%2Folssimplesearch.jsp&searchButton.x=10&searchButton.y=6"},
};

TEST(Queries, EveryProviderBuildsItsSitesAddress) {
    EXPECT_EQ(kExpected.size(), 49u);
    for (const auto& [caption, url] : kExpected) {
        EXPECT_EQ(modQueries::BuildQueryURL(caption, "fish & chips"), url) << caption;
    }
}

TEST(Queries, TermsNeedingEncodingGoIntoTheAddressEncoded) {
    EXPECT_EQ(modQueries::BuildQueryURL("Google", "A+B caf\u00e9 \u20ac5 \u65e5\u672c"),
              "http://www.google.com/search?hl=en&ie=UTF-8&oe=UTF-8&q=A%2BB+caf%E9+%805+%3F%3F&btnG=Google+Search");
    EXPECT_EQ(modQueries::BuildQueryURL("Weather Online", "New York, NY"),
              "http://www.weather-online.example/weather/local/New+York%2C+NY?lswe=New+York%2C+NY"
              "&lwsa=WeatherLocalUndeclared");
    EXPECT_EQ(modQueries::BuildQueryURL("UPS", "1Z 999"),
              "http://wwwapps.ups.com/WebTracking/processRequest?"
              "HTMLVersion=5.0&Requester=NES&AgreeToTermsAndConditions=yes"
              "&loc=en_US&tracknum=1Z+999");
    EXPECT_EQ(
        modQueries::BuildQueryURL("Sports Network", "golf"),
        "http://www.sports-network.example/find.html?id=6820552&pageid=r&mode=all&query=golf&scope=site&x=28&y=8");
}

TEST(Queries, TermsAreEncodedCharacterByCharacter) {
    EXPECT_EQ(modQueries::EncodeSearchTerms("fish & chips"), "fish+%26+chips");
    EXPECT_EQ(modQueries::EncodeSearchTerms("A+B"), "A%2BB");
    EXPECT_EQ(modQueries::EncodeSearchTerms("abc"), "abc");
    EXPECT_EQ(modQueries::EncodeSearchTerms("\t"), "%09");
    EXPECT_EQ(modQueries::EncodeSearchTerms(""), "");
    EXPECT_EQ(modQueries::EncodeSearchTerms("a/b?c=d#e%"), "a%2Fb%3Fc%3Dd%23e%25");
    EXPECT_EQ(modQueries::EncodeSearchTerms("-_.~'\""), "%2D%5F%2E%7E%27%22");
    // Characters go as their code-page byte; one without a byte as "?".
    EXPECT_EQ(modQueries::EncodeSearchTerms("\u00e9\u00c9\u00ff\u20ac\u2122\u0160"), "%E9%C9%FF%80%99%8A");
    EXPECT_EQ(modQueries::EncodeSearchTerms("\u0141\U0001F600"), "%3F%3F");
    EXPECT_EQ(modQueries::EncodeSearchTerms("Zz09"), "Zz09");
}

TEST(Queries, CaptionsThatAreNoSiteBuildNothing) {
    for (const char* caption :
         {"News", "Financial", "Sports", "Reference", "-", "", "google", "Barnes & Noble", "Google "}) {
        EXPECT_EQ(modQueries::BuildQueryURL(caption, "golf"), "") << caption;
    }
}

}  // namespace
