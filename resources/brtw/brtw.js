// Writes the edition's window page: masthead, navigation, the headline
// frame beside an ad (or, on the welcome page, the greeting), the footer,
// and a hidden frame that takes the actions which open something of their
// own (share, contact, panel). A page shown with "?offline" shows the
// offline ads and keeps the parameter on its links.
var brtwOffline = /[?&]offline(&|#|$)/.test(location.search);

function brtwLocal(page) {
  if (!brtwOffline) return page;
  return page + (page.indexOf("?") < 0 ? "?" : "&") + "offline";
}

function brtwPage(current) {
  var retrieving = current == "cancel";
  var tabs = [["balances", "balances.html", "Balances"], ["summary", "summary.html", "Summary"],
              ["setup", "setup.html", "Users &amp; Accounts"]];
  var html = [];
  html.push('<div id="masthead"><span class="paper">Brightwire</span>',
            '<span class="product">Roamledger &#8212; your travel rewards, tracked</span>',
            '<span class="date">' + new Date().toDateString() + '</span></div>');
  html.push('<div id="nav">');
  if (retrieving) {
    html.push('<a class="button" href="' + brtwLocal("balances.html?cancel") + '">Cancel Retrieval</a>');
  } else {
    html.push('<a class="button" href="' + brtwLocal("cancel.html?update") + '">Retrieve Balances</a>');
  }
  for (var i = 0; i < tabs.length; i++) {
    html.push('<a' + (tabs[i][0] == current ? ' class="on"' : '') + ' href="' + brtwLocal(tabs[i][1]) + '">' +
              tabs[i][2] + '</a>');
  }
  html.push('<span class="right"><a href="share.html" target="action">Share</a>',
            '<a href="contact.html" target="action">Contact Us</a>',
            '<a href="joinpanel.html" target="action">Join Our Panel</a></span></div>');
  html.push('<iframe id="headlines" name="news" src="news.html"></iframe>');
  var side = current == "welcome" ? "welcome-inner.html" : "ad-300x250-" + (brtwOffline ? "offline" : "blank") + ".html";
  html.push('<iframe id="side" name="side" src="' + side + '" scrolling="no"></iframe>');
  html.push('<div id="tracker"></div>');
  html.push('<iframe id="footer" name="email" src="email.html" scrolling="no"></iframe>');
  html.push('<iframe id="action" name="action" src="about:blank"></iframe>');
  document.write(html.join("\n"));
}
