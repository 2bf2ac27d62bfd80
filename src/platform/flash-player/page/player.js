// The page side of saver-flash-player: takes the commands the program
// passes on (saverCommand) and answers through the "saver" message handler.
// Each movie gets a fresh Ruffle element, so nothing of the movie before
// (an error screen included) stays; the movie before stays on the screen,
// paused, until the new one plays, so a switch shows no empty page.
"use strict";

window.RufflePlayer = window.RufflePlayer || {};

const ruffleConfig = {
  publicPath: "saver://player/ruffle/",
  polyfills: false,
  allowNetworking: "none",
  openUrlMode: "deny",
  allowScriptAccess: false,
  splashScreen: false,
  contextMenu: "off",
  showSwfDownload: false,
  warnOnUnsupportedContent: false,
  unmuteOverlay: "hidden",
  autoplay: "off",
  letterbox: "on",
  scale: "showAll",
  quality: "high",
  preferredRenderer: "canvas",
  logLevel: "error",
};
window.RufflePlayer.config = ruffleConfig;

let player = null;
let previous = null; // the element of the movie before, until this one plays
let movie = 0;       // the id of the movie loaded last
let loaded = false;  // its metadata has arrived
let wanted = false;  // it should play

function answer(message) {
  window.webkit.messageHandlers.saver.postMessage(JSON.stringify(message));
}

function dropPrevious() {
  if (previous)
    previous.remove();
  previous = null;
}

// The movie counts as playing once its first frame is on the screen: the
// second animation frame after it is shown comes after that frame's paint.
// The saver's frame clock starts there, so a busy machine that paints late
// does not cut the movie short.
function startPlaying() {
  const id = movie;
  player.ruffle().resume();
  player.style.visibility = "visible";
  dropPrevious();
  requestAnimationFrame(() => requestAnimationFrame(() => {
    if (id === movie)
      answer({ event: "playing", id: id });
  }));
}

function fail(id, message) {
  dropPrevious();
  player.remove();
  answer({ event: "error", id: id, message: message });
}

// load() resolves even when Ruffle cannot use the movie: the element shows
// its error screen instead. So the movie counts as loaded only once its
// metadata is there, and as failed when the error screen appears or nothing
// comes in time.
function watch(id, since) {
  if (id !== movie)
    return;
  const panic = player.shadowRoot && player.shadowRoot.getElementById("panic");
  if (panic) {
    const title = player.shadowRoot.getElementById("panic-title");
    fail(id, "Ruffle cannot play the movie: " + (title ? title.textContent : "error"));
    return;
  }
  const api = player.ruffle();
  if (api.readyState === 2 && api.metadata) {
    loaded = true;
    answer({ event: "loaded", id: id, frames: api.metadata.numFrames, rate: api.metadata.frameRate });
    if (wanted)
      startPlaying();
    return;
  }
  if (performance.now() - since > 30000) {
    fail(id, "Ruffle did not load the movie within 30 s");
    return;
  }
  setTimeout(() => watch(id, since), 20);
}

async function load(url, id) {
  movie = id;
  loaded = false;
  wanted = false;
  if (player) {
    dropPrevious();
    if (player.isConnected) {
      previous = player;
      previous.ruffle().suspend();
    }
  }
  player = window.RufflePlayer.newest().createPlayer();
  player.style.visibility = "hidden";
  document.getElementById("stage").appendChild(player);
  try {
    await player.ruffle().load(Object.assign({ url: url }, ruffleConfig));
  } catch (error) {
    if (id === movie)
      fail(id, "Ruffle cannot load the movie: " + error);
    return;
  }
  watch(id, performance.now());
}

window.saverCommand = function (command) {
  if (command.cmd === "load") {
    load(command.url, command.id);
  } else if (command.cmd === "play") {
    wanted = true;
    if (player && loaded)
      startPlaying();
  } else if (command.cmd === "pause") {
    wanted = false;
    if (player && loaded)
      player.ruffle().suspend();
  }
};

window.addEventListener("DOMContentLoaded", () => answer({ event: "ready" }));
