// Stand-in until the explorer's own script lands: lists the functions.
(function () {
  var data = JSON.parse(document.getElementById("tanglet-data").textContent);
  var list = document.createElement("ul");
  data.nodes.forEach(function (n) {
    var item = document.createElement("li");
    item.textContent = n.name;
    list.appendChild(item);
  });
  document.getElementById("explorer").appendChild(list);
})();
