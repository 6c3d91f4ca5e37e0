// The readable text of real-world message shapes, as the information window
// shows it, and the HTML step on its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/HtmlText.h"
#include "pop3/MessageText.h"
#include "pop3/TopReply.h"

namespace {

std::vector<std::string> Lines(const std::string& message) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = message.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(message.substr(at, end - at));
  }
  if (at < message.size()) lines.push_back(message.substr(at));
  return lines;
}

// The pane's text with "\n" line ends, so the table reads as it shows.
std::string Pane(const std::string& message, bool mayGoOn) {
  std::string pane = FormatMessageText(ReadMessageText(Lines(message), mayGoOn));
  std::string out;
  for (char c : pane) {
    if (c != '\r') out += c;
  }
  return out;
}

const char kAlternative[] =
    "Content-Type: multipart/alternative; boundary=\"alt\"\n"
    "\n"
    "--alt\n"
    "Content-Type: text/plain; charset=utf-8\n"
    "\n"
    "Plain version\n"
    "--alt\n"
    "Content-Type: text/html; charset=utf-8\n"
    "\n"
    "<p>HTML version</p>\n"
    "--alt--\n";

TEST(MessageText, RealWorldShapes) {
  struct Case {
    const char* shape;
    std::string message;
    bool mayGoOn;
    const char* pane;
  } cases[] = {
      {"plain, no MIME headers", "Subject: hi\n\nHello,\n\n  indented\n\n\n", false,
       "Hello,\n\n  indented\n"},
      {"quoted-printable Latin-1",
       "Content-Type: text/plain; charset=ISO-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n"
       "Gr=FC=DFe aus K=F6ln, =3D sign, soft=\nbreak   \n=E9t=E9",
       false,
       "Gr\xC3\xBC\xC3\x9F"
       "e aus K\xC3\xB6ln, = sign, softbreak\n\xC3\xA9t\xC3\xA9\n"},
      {"base64 UTF-8",
       "Content-Type: text/plain; charset=\"UTF-8\"\nContent-Transfer-Encoding: BASE64\n\n"
       "0J/RgNC40LLQtdGCLCDQvNC4\n0YAh\n",
       false, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!\n"},
      {"multipart/alternative", kAlternative, false, "Plain version\n"},
      {"multipart/mixed with an attachment",
       "Content-Type: multipart/mixed; boundary=\"=_mix 1\"\n\nThis is a multi-part message in MIME format.\n"
       "--=_mix 1\nContent-Type: text/plain\n\nSee the report.\n"
       "--=_mix 1\nContent-Type: application/pdf; name=\"=?utf-8?Q?r=C3=A9port.pdf?=\"\n"
       "Content-Disposition: attachment\nContent-Transfer-Encoding: base64\n\nJVBERi0xLjQK\n"
       "--=_mix 1\nContent-Type: image/png\nContent-Disposition: inline;\n filename*0*=utf-8''%E2%82%AC;\n"
       " filename*1=\".png\"\n\n" +
           std::string(1500, 'x') + "\n--=_mix 1--\nepilogue\n",
       false,
       "See the report.\n\nAttachments:\n    r\xC3\xA9port.pdf (application/pdf, 9 bytes)\n"
       "    \xE2\x82\xAC.png (image/png, 2 KB)\n"},
      {"nested related and alternative, HTML only",
       "Content-Type: multipart/mixed; boundary=m\n\n--m\nContent-Type: multipart/related; boundary=r\n\n"
       "--r\nContent-Type: multipart/alternative; boundary=a\n\n--a\nContent-Type: text/plain\n\n   \n"
       "--a\nContent-Type: text/html\nContent-Transfer-Encoding: quoted-printable\n\n"
       "<div>Look at<br>this =\n<img src=3D\"cid:1\"></div>\n--a--\n"
       "--r\nContent-Type: image/jpeg\nContent-ID: <1>\n\n\n--r--\n--m--\n",
       false, "Look at\nthis\n\nAttachments:\n    (image/jpeg, 0 bytes)\n"},
      {"HTML only",
       "Content-Type: text/html\n\n<html><head><meta charset=\"windows-1252\"><title>Ad</title>"
       "<style>p { color: red }</style><script>alert('x')</script></head>\n<body><h1>Sale</h1>"
       "<p>Caf\xE9 &amp; more&nbsp;&#8211;&#150;&euro;&zwnj;<!-- hidden --> now</p>"
       "<table><tr><td>a</td><td>b</td></tr></table>x &lt; y &unknown; z</body></html>\n",
       false,
       "Sale\n\nCaf\xC3\xA9 & more \xE2\x80\x93\xE2\x80\x93\xE2\x82\xAC now\n\na b\n\nx < y &unknown; z\n"},
      {"missing boundary", "Content-Type: multipart/mixed\n\nThe sender forgot the boundary.\n", false,
       "The sender forgot the boundary.\n"},
      {"a boundary inside a quoted-printable line",
       "Content-Type: multipart/alternative; boundary=\"b\"\n\n--b\n"
       "Content-Transfer-Encoding: quoted-printable\n\nnot a delimiter: --b\n--b \n"
       "Content-Type: text/plain\n\nsecond\n--b--\n",
       false, "not a delimiter: --b\n"},
      {"a part cut by the line limit",
       "Content-Type: multipart/mixed; boundary=c\n\n--c\nContent-Type: text/plain; charset=utf-8\n\n"
       "First lines\nof a long text",
       true, "First lines\nof a long text\n\xE2\x80\xA6\n"},
      {"an attachment cut by the line limit",
       "Content-Type: multipart/mixed; boundary=c\n\n--c\n\nShort text.\n--c\n"
       "Content-Disposition: attachment; filename=big.zip\nContent-Type: application/zip\n"
       "Content-Transfer-Encoding: base64\n\nUEsDBA==\n",
       true, "Short text.\n\nAttachments:\n    big.zip (application/zip, at least 4 bytes)\n"},
      {"nothing readable before the cut",
       "Content-Type: multipart/mixed; boundary=c\n\n--c\nContent-Type: image/gif\n\nGIF89a", true,
       "(no readable text)\n\xE2\x80\xA6\n\nAttachments:\n    (image/gif, at least 6 bytes)\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.pane, Pane(c.message, c.mayGoOn)) << c.shape;
}

// A hostile message: nesting deeper than any real one, and more parts than
// anyone reads, are bounded.
TEST(MessageText, DeepNestingAndManyPartsStayBounded) {
  std::string message;
  for (int level = 0; level < 5000; ++level) {
    message += "Content-Type: multipart/mixed; boundary=" + std::to_string(level) + "\n\n--" +
               std::to_string(level) + "\n";
  }
  MessageText deep = ReadMessageText(Lines(message + "\nDeep text\n"), false);
  EXPECT_EQ("", deep.text);
  ASSERT_EQ(1u, deep.attachments.size());
  EXPECT_EQ("multipart/mixed", deep.attachments[0].type);

  message = "Content-Type: multipart/mixed; boundary=p\n\n";
  for (int part = 0; part < 150; ++part) message += "--p\nContent-Type: image/png\n\nx\n";
  MessageText many = ReadMessageText(Lines(message), false);
  EXPECT_EQ(kMaxListedAttachments, many.attachments.size());
  EXPECT_EQ(50u, many.unlistedAttachments);
}

TEST(HtmlText, Shapes) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p>One</p><p>Two<br>Three</p>", "One\n\nTwo\nThree"},
      {"a<br><br><br><br>b", "a\n\nb"},
      {"<pre>  keep\n   this</pre>after", "  keep\n   this\n\nafter"},
      {"<ul><li>x</li><li>y</ul>", "- x\n- y"},
      {"<SCRIPT type=\"text/javascript\">document.write('<p>no</p>')</SCRIPT >yes", "yes"},
      {"<a href=\"http://example.test/\" title='a > b'>link</a> text", "link text"},
      {"<style>never closed", ""},
      {"<!-- never closed", ""},
      {"1 < 2 && 3 > 2; &#x41;&#65&#0;&#xD800;&#99999999999;",
       "1 < 2 && 3 > 2; AA\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"&ampx &amp;amp; &Auml;&auml; &copy2025",
       "&x &amp; \xC3\x84\xC3\xA4 \xC2\xA9"
       "2025"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, HtmlToText(c.html)) << c.html;
  EXPECT_EQ("utf-8",
            HtmlDeclaredCharset("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"));
  EXPECT_EQ("", HtmlDeclaredCharset("<p>charset=utf-8</p>"));
}

// The lines of TOP n 2: dots unstuffed; whether the message may go on past
// them; whether its header block is still the listed one.
TEST(TopReply, LinesMoreToComeAndListedHeader) {
  const ReplyLines listed = {"+OK", "Subject: a", "", "."};
  const ReplyLines reply = {"+OK 99 octets", "Subject: a", "", "..dotted", "two", "."};
  bool mayGoOn = false;
  EXPECT_EQ((std::vector<std::string>{"Subject: a", "", ".dotted", "two"}),
            MessageLinesOfTop(reply, 2, 0, mayGoOn));
  EXPECT_TRUE(mayGoOn) << "two body lines of a message of unknown size";
  MessageLinesOfTop(reply, 2, 28, mayGoOn);
  EXPECT_FALSE(mayGoOn) << "the lines hold the message's 28 bytes";
  MessageLinesOfTop(reply, 3, 0, mayGoOn);
  EXPECT_FALSE(mayGoOn) << "fewer body lines than asked for";
  MessageLinesOfTop({"+OK", "Subject: a", "", "cut"}, 200, 0, mayGoOn);
  EXPECT_TRUE(mayGoOn) << "no final dot";

  EXPECT_TRUE(HasListedHeader(listed, reply));
  EXPECT_FALSE(HasListedHeader(listed, {"+OK", "Subject: b", "", "text", "."}));
  EXPECT_TRUE(HasListedHeader(listed, {"+OK", "Subject: a"})) << "cut inside the header block";
}

}  // namespace
