#!/usr/bin/env python3
"""Drives the pages of a program built against the browser-library stand-in (cef/) over the
page driver's loopback connection. The program listens when TESSEL_CEF_DRIVER_PORT names a port
and TESSEL_CEF_DRIVER_TOKEN holds the token (16 characters or more) that every request carries;
this client takes both from the environment unless --port and --token are given.

Usage:
  cef-driver.py [--port N] [--token T] [--connect-timeout S] [REQUEST ...]

A REQUEST is a JSON object, or an op name followed by key=value pairs whose values are read as
JSON when they parse and as text otherwise:
  cef-driver.py --port 9300 wait state
  cef-driver.py --port 9300 call browser=1 function=DownExecel 'args=["http://h/a.xls","a.xls"]'
Without requests, request lines are read from standard input. Every response is printed on a
line of its own; the exit status is 1 when any response is not "ok".
"""
import argparse
import json
import os
import socket
import sys
import time


def parse_request(words):
    if words[0].lstrip().startswith("{"):
        return json.loads(" ".join(words))
    request = {"op": words[0]}
    for word in words[1:]:
        key, _, value = word.partition("=")
        try:
            request[key] = json.loads(value)
        except ValueError:
            request[key] = value
    return request


def split_requests(arguments):
    """Each argument that is JSON or carries no "=" starts a new request."""
    requests, words = [], []
    for argument in arguments:
        starts = argument.lstrip().startswith("{") or "=" not in argument
        if starts and words:
            requests.append(parse_request(words))
            words = []
        words.append(argument)
    if words:
        requests.append(parse_request(words))
    return requests


def connect(port, timeout):
    deadline = time.monotonic() + timeout
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port))
        except OSError:
            if time.monotonic() >= deadline:
                raise
            time.sleep(0.2)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=int(os.environ.get("TESSEL_CEF_DRIVER_PORT", 0)))
    parser.add_argument("--token", default=os.environ.get("TESSEL_CEF_DRIVER_TOKEN", ""))
    parser.add_argument("--connect-timeout", type=float, default=0,
                        help="keep trying to connect for this many seconds")
    parser.add_argument("request", nargs="*")
    args = parser.parse_args()
    sys.stdout.reconfigure(encoding="utf-8")
    if not args.port:
        parser.error("no port: give --port or set TESSEL_CEF_DRIVER_PORT")
    if not args.token:
        parser.error("no token: give --token or set TESSEL_CEF_DRIVER_TOKEN")

    if args.request:
        requests = split_requests(args.request)
    else:
        requests = (json.loads(line) for line in sys.stdin if line.strip())
    failed = False
    with connect(args.port, args.connect_timeout) as connection:
        replies = connection.makefile("r", encoding="utf-8")
        for request in requests:
            request["token"] = args.token
            connection.sendall((json.dumps(request, ensure_ascii=False) + "\n").encode("utf-8"))
            reply = replies.readline()
            if not reply:
                print("connection closed", file=sys.stderr)
                return 1
            print(reply, end="", flush=True)
            failed = failed or not json.loads(reply).get("ok")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
