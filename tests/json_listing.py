#!/usr/bin/env python3
"""Reads show_config -j's object on standard input, strictly: UTF-8, one JSON
document and nothing else, the members the manual page names and no others.

  json_listing.py listing  prints the text listing the object stands for (each
                           string's code points as the bytes of the same
                           numbers), then "status N"
  json_listing.py tags     prints each tag as "flag hex(name) hex(value)"

Exits 1 (with a traceback) when the object is not what it should be."""
import json
import sys


def expect_keys(obj, *keys):
    assert isinstance(obj, dict) and list(obj) == list(keys), (obj, keys)


def latin1(string):
    assert isinstance(string, str)
    return string.encode("latin-1")


def escaped(string):
    return b"".join(b"\\x%02x" % c if c < 0x20 else bytes([c]) for c in latin1(string))


def config_lines(config):
    state = config["state"]
    keys = ["offset", "header", "tags", "state"] + (["message"] if state in ("interrupted", "damaged") else [])
    if "default_first_word" in config:
        keys.append("default_first_word")
    expect_keys(config, *keys)
    if state == "erased":
        assert config["header"] is None and config["tags"] == []
        return [b"# config block at 0x%x: erased" % config["offset"]]
    lines = [b"# config block at 0x%x" % config["offset"]]
    if state == "interrupted":
        assert config["header"] is None and config["tags"] == []
        return lines + [b"ERROR: " + latin1(config["message"])]
    assert state in ("whole", "damaged"), state
    if "default_first_word" in config:
        first, default = config["header"]["version"], config["default_first_word"]
        assert isinstance(default, int) and 0 <= default < 1 << 32 and first != default
        lines.append(b"# first word 0x%08x differs from the default header's 0x%08x, which set_config -i writes" %
                     (first, default))
    for name, value in config["header"].items():
        assert isinstance(value, int) and 0 <= value < 1 << 32
        lines.append(b"# %s 0x%08x" % (latin1(name), value))
    for tag in config["tags"]:
        name, flag, value = latin1(tag["name"]), latin1(tag["flag"]), latin1(tag["value"])
        assert flag in (b"overwrite", b"variable")
        if tag["line"] is True:
            expect_keys(tag, "name", "flag", "value", "line")
            lead = b" " if name.startswith(b"#") else b""
            lines.append(lead + name + b" " + flag + b" " + value)
        else:
            expect_keys(tag, "name", "flag", "value", "line", "reason")
            assert tag["line"] is False
            reason = latin1(tag["reason"])
            lines.append(b"# " + reason + b": " + escaped(tag["name"]) + b" " + flag + b" " + escaped(tag["value"]))
    if state == "damaged":
        lines.append(b"ERROR: " + latin1(config["message"]))
    return lines


def region_lines(region):
    state = region["state"]
    keys = ["offset", "records", "state"] + (["message"] if state in ("interrupted", "damaged") else [])
    expect_keys(region, *keys)
    lines = [b"# Config_II region at 0x%x" % region["offset"]]
    for record in region["records"]:
        expect_keys(record, "offset", "type", "type_name", "version", "length")
        name = record["type_name"]
        kind = latin1(name) if name is not None else b"type %d" % record["type"]
        lines.append(b"# record at 0x%x: %s, version %d, length %d" %
                     (record["offset"], kind, record["version"], record["length"]))
    if state in ("interrupted", "damaged"):
        lines.append(b"ERROR: " + latin1(region["message"]))
    elif state == "erased":
        assert region["records"] == []
        lines.append(b"# erased")
    else:
        assert state == "whole" and region["records"], state
    return lines


def main():
    text = sys.stdin.buffer.read().decode("utf-8")
    assert text.endswith("}\n") and text.count("\n") == 1, "one line, one object"
    listing = json.loads(text)
    expect_keys(listing, "partition", "config", "config_II", "errors", "status")
    assert isinstance(listing["partition"], str) and isinstance(listing["status"], int)
    if sys.argv[1] == "tags":
        for tag in listing["config"]["tags"]:
            print(tag["flag"], latin1(tag["name"]).hex(), latin1(tag["value"]).hex())
        return
    lines = []
    if listing["config"] is not None:
        lines += config_lines(listing["config"]) + region_lines(listing["config_II"])
    else:
        assert listing["config_II"] is None
    lines += [b"ERROR: " + latin1(error) for error in listing["errors"]]
    lines.append(b"status %d" % listing["status"])
    sys.stdout.buffer.write(b"".join(line + b"\n" for line in lines))


main()
