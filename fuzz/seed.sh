#!/usr/bin/env bash
# Writes the seed corpora into fuzz/corpus/<target>/ (ignored by git) and, next to each, a list
# of JSON test-suite files that run.sh hands to libFuzzer with -seed_inputs, so those files are
# read where they are rather than copied. Safe to run again: existing corpus files are kept.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd -P)
suite=${VELK_JSON_SUITE:-$here/../../shared/data/jsontestsuite}
corpus=$here/corpus

# seed <target> <name> <text>: one corpus file, written with printf so \n and \xNN work.
seed() {
    mkdir -p "$corpus/$1"
    printf "$3" > "$corpus/$1/seed-$2"
}

# suiteList <target> <glob>...: the matching suite files, comma-separated, small ones only; the
# huge nesting files only exercise the depth limit, which a short seed reaches as well.
suiteList() {
    local target=$1; shift
    if [[ ! -d $suite ]]; then
        echo "no JSON test suite at $suite; seeding from snippets only" >&2
        : > "$corpus/$target.seeds"
        return
    fi
    local dir
    dir=$(cd "$suite" && pwd -P)
    for pattern in "$@"; do
        find "$dir" -maxdepth 1 -name "$pattern" -size -4k
    done | sort | paste -sd, > "$corpus/$target.seeds"
}

# The reader: its lax corners (bare control characters, free-form numbers, duplicate keys that
# are equal only canonically), escapes and surrogates, and an object big enough for a key index.
seed MapLoading empty '{"nodes":[],"edges":[]}'
seed MapLoading linked '{"nodes":[{"id":"a","type":"file","file":"map/Sub.canvas"},{"id":"b","type":"file","file":"map/sub.CANVAS"}]}\x00{"nodes":[{"id":"c","type":"file","file":"map.canvas"},{"id":"d","type":"file","file":"map/Sub.canvas"}],"role":"ink"}'
seed InkSVG strokes '{"role":"ink","source":{"strokes":[{"points":[[10,20],[30,40.5],[1e400,2]],"palette":"rose"}],"lines":[{"x1":0,"y1":0,"x2":10,"y2":5,"style":"elbow","mids":[[3,4]]},{"x1":1,"y1":2,"x2":3,"y2":4,"style":"smooth","mids":[[1,1],[2,2]]}]}}'
seed MapDocumentApply rename '{"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Renamed"},{"id":"b","type":"text","text":"New card"},{"id":"ink","type":"file"}]},"sidecar":{"nodes":{"ink":{"role":"ink","source":{"lines":[{"x1":0,"y1":0,"x2":5,"y2":5}]}}}}},{"path":"/a","canvas":{"nodes":[]}},{"path":"/b","canvas":{"nodes":[]}},{"path":"/b/x/y","canvas":{}}]}'
seed MapDocumentApply escape '{"maps":[{"path":"/","canvas":{"nodes":[{"id":"ink","type":"file","file":"../../outside.svg"}]},"sidecar":{"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[1,2],[3,4]]}]}}}}}]}'
seed MapDocumentApply inkOverCanvas '{"maps":[{"path":"/","canvas":{"nodes":[{"id":"ink","type":"file","file":"map.canvas"},{"id":"a","type":"file","file":"/map//Shared.canvas"}]},"sidecar":{"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[1,2],[3,4]]}]}}}}},{"path":"/a","canvas":{"nodes":[{"id":"x/y","type":"text","text":"two\nlines"}]}},{"path":"/a/x/y","canvas":{}}]}'
seed Base64Decode plain 'aGVsbG8gd29ybGQ='
seed Base64Decode padded 'YQ==YWI='
seed ShareDocumentOpen map '{"state":{"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Shared"}],"edges":[]},"sidecar":{}},{"path":"/a","canvas":{"nodes":[],"edges":[]}}],"media":{"velk-media/0123456789abcdef.png":"iVBORw0KGgo=","../escape.png":"AAAA","plovet-media/x.svg":"PHN2Zy8+"}},"name":"Trip"}'
seed SharePublishBody map '{"name":"Trip","state":{ "maps" : [{"path":"/","canvas":{"nodes":[],"edges":[]}}], "n": 1.50 },"media":{"velk-media/0123456789abcdef.png":"iVBORw0KGgo="}}'
seed SharePublishBody twice '{"state":[],"state":{"maps":[]},"name":"a\\u0022b","st\\u0061te":1}'
seed ShareRequest publish 'POST /api/share HTTP/1.1\r\nHost: h\r\nContent-Length: 35\r\n\r\n{"name":"Trip","state":{"maps":[]}}'
seed ShareRequest withdraw 'DELETE /api/share/abcdefgh2345 HTTP/1.1\r\nAuthorization: Bearer x\r\n\r\n'
seed ShareRequest feedback 'POST /feedback/ HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\nTransfer-Encoding: chunked\r\n\r\n9\r\ntester=a&\r\n0\r\n\r\n'
seed SharePagePath media '/velk/s/abcdefgh2345/media/velk-media/a%%20b.png'
seed SharePagePath redirect '/feedback?tester=t-abcdefghijkl&message=a%%0d%%0a<script>'
# The page's answers to an export: a PNG, and an SVG larger than a PDF page.
seed ExportPageAnswer png '{"width":10,"height":5.5,"data":"iVBORw0KGgpyZXN0"}'
seed ExportPageAnswer svg '{"width":40000,"height":10000,"data":"<svg/>"}'
seed ShareFormFields feedback 'tester=t-abcdefghijkl&client=linux&version=0.1.0&message=a%%26b%%3Dc+%%E2%%80%%94'
seed JSONReader scalars '[null,true,false,0,-1,1.5e+10,"",-,e,1-2]'
seed JSONReader nested '{"a":[{"b":{}},[],[[1]]],"c":{"d":"e"}}'
seed JSONReader escapes '"\\"\\\\\\/\\b\\f\\n\\r\\t\\u0000\\u001f\\u00e9\\ud83d\\ude00\\udc00\\ud800x"'
seed JSONReader control '["tab\there","nl\nthere","\x01\x7f"]'
seed JSONReader duplicates '{"k":1,"x":2,"k":3}'
seed JSONReader canonical '{"\xc3\xa9":1,"e\xcc\x81":2,"\xe2\x84\xaa":3,"K":4}'
seed JSONReader pretty '{\n\t"a": [\n\t\t1,\n\t\t"\xe2\x82\xac"\n\t]\n}\n'
big='{'
for i in $(seq 1 24); do big+="\"key$i\":$i,"; done
big+='"key7":"again","caf\xc3\xa9":1,"cafe\xcc\x81":2}'
seed JSONReader large-object "$big"
# One level past the nesting limit, so the refusal is in the corpus from the start.
seed JSONReader too-deep "$(printf '[%.0s' $(seq 1 513))$(printf ']%.0s' $(seq 1 513))"
suiteList JSONReader 'y_*' 'i_*' 'n_*'

# Requests: every op, payloads of each kind, and each way a request can fail.
ops=(load save media refresh home rename saveAs feedback share unshare preview)
for i in "${!ops[@]}"; do
    seed BridgeRequestDecode "op-${ops[i]}" "{\"id\":$i,\"op\":\"${ops[i]}\",\"payload\":{\"path\":\"a/b\",\"n\":[1,2]}}"
done
seed BridgeRequestDecode no-payload '{"op":"load","id":-9223372036854775808}'
seed BridgeRequestDecode null-payload '{"id":+7,"op":"save","payload":null,"extra":true}'
seed BridgeRequestDecode string-payload '{"id":9223372036854775807,"op":"media","payload":"x\\u00e9"}'
seed BridgeRequestDecode duplicate-members '{"id":1,"op":"load","id":2,"op":"home"}'
seed BridgeRequestDecode unknown-op '{"id":3,"op":"Load"}'
seed BridgeRequestDecode op-not-string '{"id":3,"op":1}'
seed BridgeRequestDecode no-op '{"id":3}'
seed BridgeRequestDecode id-too-big '{"id":9223372036854775808,"op":"load"}'
seed BridgeRequestDecode id-fraction '{"id":1.0,"op":"load"}'
seed BridgeRequestDecode id-string '{"id":"1","op":"load"}'
seed BridgeRequestDecode not-object '[{"id":1,"op":"load"}]'
seed BridgeRequestDecode malformed '{"id":1,"op":"load"'
suiteList BridgeRequestDecode 'y_object*' 'y_structure*' 'n_object*'

# Addresses: each IPv4 and IPv6 spelling the reader takes or refuses on purpose, and the
# prefixes that carry an IPv4 address.
addresses=(1.2.3.4 0177.0.0.1 127.1 256.1.1.1 0x7f.0.0.1 '1..2.3' ' 8.8.8.8\t' '\xc2\xa08.8.8.8'
    :: ::1 1:2:3:4:5:6:7:8 'fe80::1%%en0' ::ffff:127.0.0.1 ::ffff:7f00:1 ::8.8.8.8 2002:0a00:0001::
    2002:808:808::1 64:ff9b::8.8.8.8 fd00::1 ff02::1 fec0::1 2001:db8::1 '1::2::3' 1:2:3:4:5:6:7::
    1:2:3:4:5:6:7:8:: 12345:: ::ffff:01.2.3.4 1:2:3:4:5:6:1.2.3.4)
for i in "${!addresses[@]}"; do
    seed IPAddress "address-$i" "${addresses[i]}"
done

# Pages: metadata of each kind and precedence, references, limits and half-open tags.
seed PageMetadata full '<!doctype html><html><head><title>  Hello\n  &amp;  World  </title><meta property="og:title" content="A"><meta name="twitter:title" content=\x27B\x27><meta name=description content=plain><meta property="og:site_name" content="Site &#x41;&#66;"><meta property="og:image" content=" /img/a.png "><meta name="og:description" content="&lt;b&gt;x&lt;/b&gt;"></head><body><title>late</title></body></html>'
seed PageMetadata upper '<HEAD><META PROPERTY=OG:TITLE CONTENT=upper><TITLE lang=en>t</TiTlE\n></HEAD\t>'
seed PageMetadata half-open '<meta <meta content="x"<title<title>a</title><meta name=twitter:image content=\x27t.png'
seed PageMetadata references '<title>&#X41;&#xD800;&#1f;&#128512;&amp;lt;&#4294967296;</title>'
seed PageMetadata unicode '<title>e\xcc\x81\xf0\x9f\x87\xab\xf0\x9f\x87\xb7\xe2\x80\xa8\xc2\xa0\xff\xf0\x9f</title>'

# Links: each way the policy accepts or refuses one, and references to resolve against them.
links=('https://user:pw@Example.com:8080/a?b=c#d' ' http://[::1]/x\n' 'HTTP://[v1.x]/' 'http://@h/'
    'http:///x' 'ftp://x' 'http://0177.0.0.1/' 'http://[fe80::1%%25en0]/' 'http://h/a/b/c?q\x01../../i.png'
    'http://h/\x01//cdn.example/x' 'http://u@[::ffff:1.2.3.4]:8/p\x01?z#f')
for i in "${!links[@]}"; do
    seed LinkTarget "link-$i" "${links[i]}"
done

for target in JSONReader BridgeRequestDecode IPAddress PageMetadata LinkTarget; do
    suiteFiles=0
    [[ -f $corpus/$target.seeds ]] && suiteFiles=$(tr ',' '\n' < "$corpus/$target.seeds" | grep -c . || true)
    echo "$target: $(ls "$corpus/$target" | wc -l) corpus files, $suiteFiles suite files"
done
